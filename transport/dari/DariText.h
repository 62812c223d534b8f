#pragma once

#include <QString>

namespace dari {

// Texts of this library's own string table.
class DariText {
public:
    // The key itself when the table lacks it.
    static QString text(const QString& key);
};

} // namespace dari
