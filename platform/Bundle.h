#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// The resources of one library or of the application, compiled in with the Qt
// resource system under ":/bundles/<name>/". A bundle exists once per name for
// the life of the process, so two look-ups of one bundle give the same object.
class Bundle {
public:
    static const Bundle* named(const QString& name);
    // The application's bundle. Its name is fixed by the program before first
    // use (setMainBundleName); until then it is "Lunvik".
    static const Bundle* main();
    static void setMainBundleName(const QString& name);

    const QString& name() const { return m_name; }
    // "CFBundleIdentifier" of the information dictionary, else a name-based one.
    QString identifier() const;
    QString resourceRoot() const;

    // The path (readable with QFile) of a resource: first at the bundle's
    // root or the given subfolder, then in the preferred languages' folders.
    std::optional<QString> pathForResource(const QString& name, const QString& extension,
                                           const QString& subdirectory = {}) const;
    std::optional<QByteArray> dataForResource(const QString& name, const QString& extension,
                                              const QString& subdirectory = {}) const;

    // The bundle's "Info.plist"; empty when it has none.
    QVariantMap infoDictionary() const;

    // The text of a key in a table ("Localizable" when none is named), in the
    // first preferred language whose table has the key; the key itself when
    // no table has it.
    QString localizedString(const QString& key, const QString& table = {}) const;
    // The table's entries for one language, or nothing when the bundle has no
    // such table.
    std::optional<QHash<QString, QString>> stringTable(const QString& language,
                                                       const QString& table) const;

    // Languages from LANGUAGE, LC_ALL, LC_MESSAGES and LANG, most preferred
    // first, always ending with English.
    static QStringList preferredLanguages();

    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

private:
    explicit Bundle(QString name);

    QString m_name;
    mutable std::mutex m_mutex;
    mutable QHash<QString, std::optional<QHash<QString, QString>>> m_tables;
    mutable std::optional<QVariantMap> m_info;
};

} // namespace platform
