#pragma once

#include "model/LocalizedStringTable.h"

namespace kestrom {

// The default string table of this library's own bundle.
const ambrel::LocalizedStringTable& frameworkStringTable();

// A text the framework cannot do without: a missing one is a broken
// installation and ends the process.
QString requiredFrameworkString(const QString& key,
                                const QList<platform::FormatArgument>& arguments = {});

} // namespace kestrom
