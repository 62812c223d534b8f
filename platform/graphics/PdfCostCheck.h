#pragma once

#include <QByteArray>

namespace platform {

// What drawing a PDF document may cost, judged from its bytes before the PDF
// library reads them. The library renders an image by walking every pixel
// its dictionary declares, whatever few bytes follow, keeps every saved
// graphics state of nested q operators, and cannot be stopped once it runs:
// so the document is read here first, within fixed bounds of time and
// memory, without following its cross-reference table (every object in the
// file counts, reachable or not).
//
// Every image dictionary, in the file, in object streams and inline in
// content, must declare a size ImageLimits admits; the streams that are no
// images may decode to limits().contentBytes in all; an image stream may not
// decode to more than its pixels can take; saved graphics states may nest
// limits().nesting deep, counted through all content of the file.
class PdfCostCheck {
public:
    enum class Verdict {
        bounded,
        // Over one of the limits: too large to draw.
        tooLarge,
        // Streams that cannot be read here (an object stream this check
        // cannot decode, as an encrypted one): what they hold is unknown.
        unreadable,
    };

    struct Limits {
        qint64 contentBytes;
        qint64 nesting;
    };
    static Limits limits();

    static Verdict check(const QByteArray& data);
    static Verdict check(const QByteArray& data, const Limits& limits);
};

} // namespace platform
