#pragma once

// PDF documents made to hurt a reader: to hang it, exhaust its memory or
// crash it. Each once fooled a check that predicted the PDF library's cost;
// now the library meets them in a picture worker, which they may crash or
// stall but never the program.

#include <QByteArray>
#include <QString>

#include <vector>

namespace testpictures {

struct HostilePdf {
    QString name;
    QByteArray bytes;
};

// Every hostile document, built here (a few are encrypted files of the
// platform tests' data).
std::vector<HostilePdf> hostilePdfs();

// A page whose colour space's tint is a PostScript calculator function of
// procedures nested `depth` deep: the library reads such a function by
// recursion, and from about 48,000 levels on it overflows an 8 MiB stack.
QByteArray nestedFunctionPdf(int depth);

} // namespace testpictures
