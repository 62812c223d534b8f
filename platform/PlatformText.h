#pragma once

#include <QString>

namespace platform {

// Texts of this library's own string table.
class PlatformText {
public:
    // The key itself when the table lacks it.
    static QString text(const QString& key);
};

} // namespace platform
