#include "core/canvas/GridViewSequenceStyle.h"

#include "core/document/job/KestromText.h"
#include "platform/StringFormat.h"

#include <cmath>

namespace kestrom {

namespace {

// Colours take a hue within one turn; a negative remainder is the same hue.
double colorHue(qint64 sequence) {
    const double h = GridViewSequenceStyle::hue(sequence);
    return h < 0 ? h + 1.0 : h;
}

} // namespace

double GridViewSequenceStyle::hue(qint64 sequence) {
    return std::fmod(double(sequence) * 0.42, 1.0);
}

QColor GridViewSequenceStyle::backgroundColor(qint64 sequence, bool hovered) {
    return QColor::fromHsvF(float(colorHue(sequence)), 1.0f, 0.5f, hovered ? 0.36f : 0.3f);
}

QColor GridViewSequenceStyle::borderColor(qint64 sequence) {
    return QColor::fromHsvF(float(colorHue(sequence)), 0.9f, 0.5f, 1.0f);
}

QColor GridViewSequenceStyle::labelBackgroundColor(qint64 sequence) {
    return QColor::fromHsvF(float(colorHue(sequence)), 0.5f, 0.5f, 1.0f);
}

QString GridViewSequenceStyle::labelText(qint64 sequence) {
    return QString::number(sequence + 1);
}

QString GridViewSequenceStyle::toolTip(qint64 sequence, const ambrel::Rect_mm& sourceRect_mm) {
    const auto templateText =
        KestromText::optionalCanvasText(QStringLiteral("PreviewSequence_ToolTipTemplate"));
    if (!templateText) {
        return {};
    }
    return toolTip(*templateText, sequence, sourceRect_mm);
}

QString GridViewSequenceStyle::toolTip(const QString& templateText, qint64 sequence,
                                       const ambrel::Rect_mm& sourceRect_mm) {
    return platform::StringFormat::format(templateText,
                                          {static_cast<long long>(sequence + 1),
                                           sourceRect_mm.size.width, sourceRect_mm.size.height});
}

} // namespace kestrom
