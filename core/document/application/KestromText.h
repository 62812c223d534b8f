#pragma once

#include <QString>

namespace kestrom {

// Texts of this library's own string table (its bundle's default table).
class KestromText {
public:
    static QString text(const char* key);
};

} // namespace kestrom
