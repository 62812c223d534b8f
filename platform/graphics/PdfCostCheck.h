#pragma once

#include <QByteArray>

namespace platform {

// What drawing a PDF document may cost, judged from its bytes before the PDF
// library reads them. The library renders an image by walking every pixel
// its dictionary declares, whatever few bytes follow, keeps every saved
// graphics state of nested q operators, and cannot be stopped once it runs:
// so the document is read here first, within fixed bounds of time and
// memory. Every object counts, reachable or not: those read in file order,
// and those the library may find elsewhere, at every "N G obj" written in
// the bytes and at every place the cross-reference sections name (inside a
// string that never ends, or inside another object's data). A document
// with more such places than a real one holds, or whose reading would take
// more than a few times its size, is too large.
//
// Every image dictionary, in the file, in object streams and inline in
// content, must declare a size ImageLimits admits; the streams drawn as
// content (an image stream too, when the page names it as its content) may
// decode to limits().contentBytes in all, fonts and other data to four times
// that; saved graphics states may nest limits().nesting deep, counted
// through all content of the file. A page's drawing work, its content and
// each XObject it draws as often as it draws it (by the names resources
// give, across the file), with a tiling pattern's cell for each shape
// painted with it, a soft mask's group each time its graphics state is set,
// and for each glyph of text the costliest glyph procedure of its Type 3
// font (of any, at the largest size set, where the content does not set
// font and size itself), stays within four times limits().contentBytes, an
// image's pixel counting an eighth of a byte (eight times that with more
// than eight bits a component); a form that draws itself has no bound. The
// library scales an image to all it covers before it clips it: so does the
// area a page's images cover (the box around each drawing's unit square
// under the transforms of its content, forms, patterns and fonts, their
// matrices and the size of the text; an annotation's appearance scaled from
// its box to the annotation's), each pixel of it at 600 dpi counting as a
// pixel of an image. Which page is the first is not known from the bytes:
// every /Contents counts as if it were.
//
// An encrypted document that opens with the empty user password (locked
// against changes only) is measured decrypted, with the standard security
// handler.
class PdfCostCheck {
public:
    enum class Verdict {
        bounded,
        // Over one of the limits: too large to draw.
        tooLarge,
        // Streams that cannot be read here (an object stream this check
        // cannot decode, a document that needs a password or whose
        // encryption is not understood): what they hold is unknown.
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
