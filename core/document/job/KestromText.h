#pragma once

#include "platform/FormatArgument.h"

#include <QList>
#include <QString>

#include <optional>

namespace kestrom {

// Texts of this library's string tables: the default table, which the
// document core, the inspector and the window use, and the canvas's own.
// Arguments fill the text through the checked formatter.
class KestromText {
public:
    // The text, or the key when the table has none.
    static QString text(const char* key);
    static QString text(const QString& key, const QList<platform::FormatArgument>& arguments = {});
    // Nothing when the table has no text for the key.
    static std::optional<QString>
    optionalText(const QString& key, const QList<platform::FormatArgument>& arguments = {});
    // A text the program cannot do without; a missing one is a broken
    // installation and ends the process.
    static QString requiredText(const QString& key,
                                const QList<platform::FormatArgument>& arguments = {});

    // The same from the canvas's table, "Canvas".
    static std::optional<QString> optionalCanvasText(const QString& key);
    static QString requiredCanvasText(const QString& key);
};

} // namespace kestrom
