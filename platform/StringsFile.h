#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace platform {

// Reads a string table file: UTF-8 lines of `"key" = "value";` with C-style
// comments and backslash escapes (\" \\ \n \t \r \Uhhhh). Bare words are
// accepted as keys and values. Parsing stops at the first malformed entry and
// keeps what came before it.
class StringsFile {
public:
    static QHash<QString, QString> parse(const QByteArray& utf8, QString* errorMessage = nullptr);
};

} // namespace platform
