#include "model/texts/LocalizedStringTable.h"

#include "platform/StringFormat.h"

namespace ambrel {

LocalizedStringTable::LocalizedStringTable(const platform::Bundle* bundle,
                                           std::optional<QString> name)
    : m_bundle(bundle), m_name(std::move(name)) {}

std::optional<QString> LocalizedStringTable::getLocalizedStringOrNull(const QString& key) const {
    const QString text = m_bundle->localizedString(key, m_name.value_or(QString()));
    if (text == key) {
        return std::nullopt;
    }
    return text;
}

std::optional<QString> LocalizedStringTable::getLocalizedStringOrNull(
    const QString& key, const QList<platform::FormatArgument>& arguments) const {
    auto text = getLocalizedStringOrNull(key);
    if (!text || arguments.isEmpty()) {
        return text;
    }
    return platform::StringFormat::format(*text, arguments);
}

QString LocalizedStringTable::getLocalizedStringOrKey(const QString& key) const {
    return getLocalizedStringOrNull(key).value_or(key);
}

QString LocalizedStringTable::getLocalizedStringOrKey(
    const QString& key, const QList<platform::FormatArgument>& arguments) const {
    const QString text = getLocalizedStringOrKey(key);
    if (arguments.isEmpty()) {
        return text;
    }
    return platform::StringFormat::format(text, arguments);
}

std::optional<QString>
LocalizedStringTable::preferredLocalizedString(const QString& key,
                                               const QList<LocalizedStringTable>& tables) {
    for (const auto& table : tables) {
        if (auto text = table.getLocalizedStringOrNull(key)) {
            return text;
        }
    }
    return std::nullopt;
}

const LocalizedStringTable& LocalizedStringTable::main() {
    static const LocalizedStringTable table(platform::Bundle::main());
    return table;
}

const LocalizedStringTable& LocalizedStringTable::ambrel() {
    static const LocalizedStringTable table(ambrelBundle(), QStringLiteral("Ambrel"));
    return table;
}

const platform::Bundle* LocalizedStringTable::ambrelBundle() {
    static const platform::Bundle* bundle = platform::Bundle::named(QStringLiteral("Ambrel"));
    return bundle;
}

} // namespace ambrel
