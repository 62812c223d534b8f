#pragma once

#include "model/texts/LocalizedStringTable.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ambrel {

// The key rule shared by the progress texts: prefix + the case name with its
// first letter in upper case; without a text the case name itself is shown.
class ProgressDescriptionText {
public:
    static QString key(const QString& prefix, const QString& rawValue);
    static QString localizedValue(const QString& prefix, const QString& rawValue,
                                  const LocalizedStringTable& table);
};

} // namespace ambrel
