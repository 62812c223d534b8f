#pragma once

// The vector logo the benchmarks print and preview: one PDF page.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <numbers>

namespace bench {

// A one-page PDF document of the page size (points) and content stream.
inline QByteArray onePagePdf(double width, double height, const QByteArray& content) {
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + ' ' +
            QByteArray::number(height) + "] /Contents 4 0 R /Resources << >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
    };
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

// A logo of 180 x 120 mm: rings of petals drawn with curves, a sun of thin
// rays, a bold frame and lines of letter-like strokes.
inline QByteArray logoPdf() {
    const double w = 180 / 25.4 * 72;
    const double h = 120 / 25.4 * 72;
    QString content = QStringLiteral("0 0 0 rg 0 0 0 RG ");
    content += QStringLiteral("6 w 12 12 %1 %2 re S ").arg(w - 24).arg(h - 24);
    const double cx = w * 0.3;
    const double cy = h * 0.55;
    for (int i = 0; i < 240; ++i) {
        const double a = i * std::numbers::pi / 24;
        const double b = a + std::numbers::pi / 48;
        const double r = 40 + (i / 48) * 18;
        content += QStringLiteral("%1 %2 m %3 %4 %5 %6 %1 %2 c f ")
                       .arg(cx)
                       .arg(cy)
                       .arg(cx + r * std::cos(a))
                       .arg(cy + r * std::sin(a))
                       .arg(cx + r * std::cos(b))
                       .arg(cy + r * std::sin(b));
    }
    content += QStringLiteral("0.6 w ");
    for (int i = 0; i < 90; ++i) {
        const double a = i * std::numbers::pi / 45;
        content += QStringLiteral("%1 %2 m %3 %4 l S ")
                       .arg(cx + 120 * std::cos(a))
                       .arg(cy + 120 * std::sin(a))
                       .arg(cx + 135 * std::cos(a))
                       .arg(cy + 135 * std::sin(a));
    }
    content += QStringLiteral("5 w 1 J ");
    for (int line = 0; line < 6; ++line) {
        const double y = h * 0.8 - line * 50;
        for (int letter = 0; letter < 12; ++letter) {
            const double x = w * 0.55 + letter * 19;
            content += QStringLiteral("%1 %2 m %3 %4 %5 %6 %7 %8 c S ")
                           .arg(x)
                           .arg(y)
                           .arg(x + 14)
                           .arg(y + 30 + letter % 3 * 6)
                           .arg(x - 4)
                           .arg(y + 44)
                           .arg(x + 10)
                           .arg(y + 58);
        }
    }
    return onePagePdf(w, h, content.toLatin1());
}

} // namespace bench
