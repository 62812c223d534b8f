#include "core/document/job/KestromText.h"

#include "core/document/job/Framework.h"
#include "platform/Log.h"

namespace kestrom {

namespace {

const ambrel::LocalizedStringTable& canvasTable() {
    static const ambrel::LocalizedStringTable table(Framework::frameworkBundle(),
                                                    QStringLiteral("Canvas"));
    return table;
}

QString required(const std::optional<QString>& text, const QString& key,
                 const ambrel::LocalizedStringTable& table) {
    if (!text) {
        platform::Log::fatal(QStringLiteral("missing string table entry \"%1\" in table \"%2\"")
                                 .arg(key, table.name().value_or(QStringLiteral("Localizable"))));
    }
    return *text;
}

} // namespace

QString KestromText::text(const char* key) {
    return Framework::frameworkStringTable().getLocalizedStringOrKey(QString::fromLatin1(key));
}

QString KestromText::text(const QString& key, const QList<platform::FormatArgument>& arguments) {
    return Framework::frameworkStringTable().getLocalizedStringOrKey(key, arguments);
}

std::optional<QString> KestromText::optionalText(const QString& key,
                                                 const QList<platform::FormatArgument>& arguments) {
    return Framework::frameworkStringTable().getLocalizedStringOrNull(key, arguments);
}

QString KestromText::requiredText(const QString& key,
                                  const QList<platform::FormatArgument>& arguments) {
    return required(optionalText(key, arguments), key, Framework::frameworkStringTable());
}

std::optional<QString> KestromText::optionalCanvasText(const QString& key) {
    return canvasTable().getLocalizedStringOrNull(key);
}

QString KestromText::requiredCanvasText(const QString& key) {
    return required(optionalCanvasText(key), key, canvasTable());
}

} // namespace kestrom
