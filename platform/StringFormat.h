#pragma once

#include "platform/FormatArgument.h"

#include <QList>
#include <QString>

namespace platform {

// printf-style formatting of texts that come from string tables. The format is
// data, not code: a specifier that does not fit its argument shows the
// argument as well as it can, and a specifier without an argument is left as
// written, so a faulty translation never reads beyond the arguments.
//
// Understood: flags "-+ 0#", a width, a precision ".N", the length modifiers
// h hh l ll q z j t L, the conversions @ s d i u x X o f F e E g G c, "%%",
// and positions "%1$@".
class StringFormat {
public:
    static QString format(const QString& format, const QList<FormatArgument>& arguments);
};

} // namespace platform
