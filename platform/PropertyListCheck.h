#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// What makes bytes unsafe to hand to the property list library, which stops
// the process on a text holding a NUL character and reads and frees nested
// containers recursively. The bytes are only looked at; anything the check
// cannot make sense of is left to the library, which refuses it.
class PropertyListCheck {
public:
    // Containers nested deeper than this are refused; no file of ours comes
    // near it, and the library's recursion stays far from the stack's end.
    static constexpr int maximumNesting = 512;

    // Empty when the bytes may be parsed; otherwise why not.
    static QString problem(const QByteArray& data, bool binary);
};

} // namespace platform
