#include "platform/Bundle.h"

#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/StringsFile.h"

#include <QFile>
#include <QFileInfo>

#include <map>

namespace platform {

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<QString, std::unique_ptr<Bundle>>& registry() {
    static std::map<QString, std::unique_ptr<Bundle>> bundles;
    return bundles;
}

QString& mainBundleName() {
    static QString name = QStringLiteral("Lunvik");
    return name;
}

// "de_DE.UTF-8@euro" -> ["de_DE", "de"]
QStringList languageCandidates(const QString& locale) {
    QString l = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (l.isEmpty() || l == QLatin1String("C") || l == QLatin1String("POSIX")) {
        return {};
    }
    QStringList out{l};
    if (l.contains(QLatin1Char('_'))) {
        out << l.section(QLatin1Char('_'), 0, 0);
    }
    return out;
}

} // namespace

Bundle::Bundle(QString name) : m_name(std::move(name)) {}

const Bundle* Bundle::named(const QString& name) {
    std::lock_guard lock(registryMutex());
    auto& bundles = registry();
    auto it = bundles.find(name);
    if (it == bundles.end()) {
        it = bundles.emplace(name, std::unique_ptr<Bundle>(new Bundle(name))).first;
    }
    return it->second.get();
}

const Bundle* Bundle::main() {
    QString name;
    {
        std::lock_guard lock(registryMutex());
        name = mainBundleName();
    }
    return named(name);
}

void Bundle::setMainBundleName(const QString& name) {
    std::lock_guard lock(registryMutex());
    mainBundleName() = name;
}

QString Bundle::identifier() const {
    const QString id = infoDictionary().value(QStringLiteral("CFBundleIdentifier")).toString();
    return id.isEmpty() ? QStringLiteral("org.lunvik.") + m_name : id;
}

QString Bundle::resourceRoot() const {
    return QStringLiteral(":/bundles/") + m_name;
}

std::optional<QString> Bundle::pathForResource(const QString& name, const QString& extension,
                                               const QString& subdirectory) const {
    const QString file = extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
    QStringList folders;
    folders << (subdirectory.isEmpty() ? resourceRoot() : resourceRoot() + u'/' + subdirectory);
    for (const QString& language : preferredLanguages()) {
        folders << resourceRoot() + u'/' + language + QStringLiteral(".lproj");
    }
    for (const QString& folder : folders) {
        const QString path = folder + u'/' + file;
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> Bundle::dataForResource(const QString& name, const QString& extension,
                                                  const QString& subdirectory) const {
    const auto path = pathForResource(name, extension, subdirectory);
    if (!path) {
        return std::nullopt;
    }
    QFile f(*path);
    if (!f.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return f.readAll();
}

QVariantMap Bundle::infoDictionary() const {
    std::lock_guard lock(m_mutex);
    if (!m_info) {
        QFile f(resourceRoot() + QStringLiteral("/Info.plist"));
        QVariant parsed;
        if (f.open(QIODevice::ReadOnly)) {
            parsed = PropertyList::fromData(f.readAll());
        }
        m_info = parsed.toMap();
    }
    return *m_info;
}

std::optional<QHash<QString, QString>> Bundle::stringTable(const QString& language,
                                                           const QString& table) const {
    const QString tableName = table.isEmpty() ? QStringLiteral("Localizable") : table;
    const QString cacheKey = language + u'/' + tableName;
    std::lock_guard lock(m_mutex);
    auto it = m_tables.find(cacheKey);
    if (it == m_tables.end()) {
        std::optional<QHash<QString, QString>> loaded;
        QFile f(resourceRoot() + u'/' + language + QStringLiteral(".lproj/") + tableName +
                QStringLiteral(".strings"));
        if (f.open(QIODevice::ReadOnly)) {
            QString error;
            loaded = StringsFile::parse(f.readAll(), &error);
            if (!error.isEmpty()) {
                Log::line(QStringLiteral("String table %1 of bundle %2 is malformed: %3")
                              .arg(cacheKey, m_name, error));
            }
        }
        it = m_tables.insert(cacheKey, loaded);
    }
    return *it;
}

QString Bundle::localizedString(const QString& key, const QString& table) const {
    for (const QString& language : preferredLanguages()) {
        const auto entries = stringTable(language, table);
        if (entries) {
            auto it = entries->constFind(key);
            if (it != entries->constEnd()) {
                return *it;
            }
        }
    }
    return key;
}

QStringList Bundle::preferredLanguages() {
    QStringList out;
    const QString language = qEnvironmentVariable("LANGUAGE");
    for (const QString& entry : language.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        out << languageCandidates(entry);
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty()) {
            out << languageCandidates(value);
            break;
        }
    }
    out << QStringLiteral("en");
    out.removeDuplicates();
    return out;
}

} // namespace platform
