#pragma once

// The text and hairline pages the vector benchmarks print beside the logo:
// one A4 PDF page each.

#include "VectorLogo.h"

#include <QBuffer>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QString>

namespace bench {

// A page of running text as an office program writes it: a heading and 74
// lines of 9-point prose in the desktop's sans font, embedded (Qt's writer;
// needs a QGuiApplication).
inline QByteArray textPdf() {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(1200);
        QPainter painter(&writer);
        const double inch = 1200;
        QFont heading(QStringLiteral("DejaVu Sans"));
        heading.setPointSizeF(16);
        heading.setBold(true);
        painter.setFont(heading);
        painter.drawText(QPointF(0.8 * inch, 0.9 * inch),
                         QStringLiteral("Screens for the autumn run, second proof"));
        QFont body(QStringLiteral("DejaVu Sans"));
        body.setPointSizeF(9);
        painter.setFont(body);
        const QString words = QStringLiteral(
            "the stencil is exposed where the film is dark and the emulsion washes out "
            "there, so every line of type that prints must reach the frame whole; ");
        for (int line = 0; line < 74; ++line) {
            QString text;
            for (int k = 0; text.size() < 104; ++k) {
                text += words.mid((line * 17 + k * 23) % (words.size() - 12), 11);
            }
            painter.drawText(QPointF(0.8 * inch, (1.3 + line * 0.135) * inch), text);
        }
    }
    return buffer.data();
}

// A drawing of hairlines: a 2 mm grid of 0.1-point lines over the page,
// hatching, rings of circles and 1500 long strokes across it, all black.
inline QByteArray hairlinePdf() {
    const double w = 595.28;
    const double h = 841.89;
    const double mm = 72 / 25.4;
    QString content = QStringLiteral("0 0 0 RG 0.1 w ");
    for (double x = 10 * mm; x < w - 10 * mm; x += 2 * mm) {
        content += QStringLiteral("%1 %2 m %1 %3 l S ").arg(x).arg(10 * mm).arg(h - 10 * mm);
    }
    for (double y = 10 * mm; y < h - 10 * mm; y += 2 * mm) {
        content += QStringLiteral("%1 %2 m %3 %2 l S ").arg(10 * mm).arg(y).arg(w - 10 * mm);
    }
    // Hatching at 45 degrees in a band across the middle.
    for (double x = -200; x < w; x += 1.5 * mm) {
        content += QStringLiteral("%1 %2 m %3 %4 l S ")
                       .arg(x)
                       .arg(h * 0.4)
                       .arg(x + 200)
                       .arg(h * 0.4 + 200);
    }
    content += QStringLiteral("0.15 w ");
    for (int ring = 0; ring < 6; ++ring) {
        const double cx = w * (0.25 + 0.5 * (ring % 2));
        const double cy = h * (0.2 + 0.3 * (ring / 2));
        for (int r = 4; r < 120; r += 4) {
            const double k = r * 0.5523;
            content += QStringLiteral("%1 %2 m %1 %3 %4 %5 %6 %5 c %7 %5 %8 %3 %8 %2 c "
                                      "%8 %9 %7 %10 %6 %10 c %4 %10 %1 %9 %1 %2 c S ")
                           .arg(cx + r)
                           .arg(cy)
                           .arg(cy + k)
                           .arg(cx + k)
                           .arg(cy + r)
                           .arg(cx)
                           .arg(cx - k)
                           .arg(cx - r)
                           .arg(cy - k)
                           .arg(cy - r);
        }
    }
    content += QStringLiteral("0.1 w ");
    QRandomGenerator random(7);
    for (int i = 0; i < 1500; ++i) {
        content += QStringLiteral("%1 %2 m %3 %4 l S ")
                       .arg(10 * mm + random.bounded(w - 20 * mm), 0, 'f', 2)
                       .arg(10 * mm + random.bounded(h - 20 * mm), 0, 'f', 2)
                       .arg(10 * mm + random.bounded(w - 20 * mm), 0, 'f', 2)
                       .arg(10 * mm + random.bounded(h - 20 * mm), 0, 'f', 2);
    }
    return onePagePdf(w, h, content.toLatin1());
}

} // namespace bench
