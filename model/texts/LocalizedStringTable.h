#pragma once

#include "platform/Bundle.h"
#include "platform/FormatArgument.h"

#include <QList>
#include <QString>

#include <optional>

namespace ambrel {

// One string table of a bundle. A look-up whose answer equals its key counts
// as "no text", so callers can fall back to another key, table or literal.
class LocalizedStringTable {
public:
    explicit LocalizedStringTable(const platform::Bundle* bundle,
                                  std::optional<QString> name = std::nullopt);

    const platform::Bundle* bundle() const { return m_bundle; }
    const std::optional<QString>& name() const { return m_name; }

    std::optional<QString> getLocalizedStringOrNull(const QString& key) const;
    // Formats the text with the arguments; an empty list leaves it as it is.
    std::optional<QString>
    getLocalizedStringOrNull(const QString& key,
                             const QList<platform::FormatArgument>& arguments) const;
    QString getLocalizedStringOrKey(const QString& key) const;
    // Formats the text, or the key when there is no text, with the arguments.
    QString getLocalizedStringOrKey(const QString& key,
                                    const QList<platform::FormatArgument>& arguments) const;

    // The text from the first table, in order, that has one.
    static std::optional<QString>
    preferredLocalizedString(const QString& key, const QList<LocalizedStringTable>& tables);

    // The application's default table.
    static const LocalizedStringTable& main();
    // This library's own table, "Ambrel".
    static const LocalizedStringTable& ambrel();
    // This library's resource bundle.
    static const platform::Bundle* ambrelBundle();

    bool operator==(const LocalizedStringTable& other) const {
        return m_bundle == other.m_bundle && m_name == other.m_name;
    }

private:
    const platform::Bundle* m_bundle;
    std::optional<QString> m_name;
};

} // namespace ambrel
