#pragma once

#include <QString>

#include <optional>

namespace kestrom {

// The canvas's texts in the application core's string table.
class CanvasStrings {
public:
    static inline const QString table = QStringLiteral("Canvas");
    static inline const QString dropImageHereKey = QStringLiteral("Preview_DropImageHere");
    static inline const QString sequenceToolTipTemplateKey =
        QStringLiteral("PreviewSequence_ToolTipTemplate");

    // The text of a key, or nothing when the table lacks it.
    static std::optional<QString> text(const QString& key);
    // A text the canvas cannot do without; its absence is a packaging fault
    // that ends the process.
    static QString requiredText(const QString& key);
};

} // namespace kestrom
