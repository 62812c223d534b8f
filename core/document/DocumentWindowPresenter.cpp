#include "core/document/DocumentWindowPresenter.h"

namespace kestrom {

DocumentWindowPresenter::~DocumentWindowPresenter() = default;

} // namespace kestrom
