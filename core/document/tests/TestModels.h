#pragma once

#include "model/descriptions/DeviceDescriptor.h"

#include <memory>

// Two device models registered once per test program, before anything reads
// the supported models:
// - "Alpha": number "speed" (10 ... 50, default 20), switch "cool" (default
//   on), switch "vent" (no default), pick list "mode" (items "fast" and
//   "fine", default "fine");
// - "Beta": number "depth" (0 ... 1, default 0.5).
namespace testmodels {

void registerOnce();
std::shared_ptr<const ambrel::DeviceDescriptor> model(const QString& name);

} // namespace testmodels
