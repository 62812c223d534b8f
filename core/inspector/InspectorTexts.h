#pragma once

#include "platform/FormatArgument.h"

#include <QList>
#include <QString>

namespace kestrom {

// A text of the framework's string table, or the key when it has none.
QString inspectorText(const QString& key);

// A text the inspector cannot do without, filled with the arguments through
// the checked formatter; a missing one is a broken installation and ends the
// process.
QString requiredFrameworkString(const QString& key,
                                const QList<platform::FormatArgument>& arguments = {});

} // namespace kestrom
