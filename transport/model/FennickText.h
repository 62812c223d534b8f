#pragma once

#include <QString>

namespace fennick {

// Texts of this library's own string table.
class FennickText {
public:
    // The key itself when the table lacks it.
    static QString text(const QString& key);
};

} // namespace fennick
