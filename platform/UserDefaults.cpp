#include "platform/UserDefaults.h"

#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

std::mutex standardMutex;
std::unique_ptr<UserDefaults> standardDefaults;
QString standardPathOverride;

// A free name beside the damaged file, so that nothing is replaced.
QString asideName(const QString& path) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        candidate = path + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    }
    return candidate;
}

} // namespace

UserDefaults& UserDefaults::standard() {
    std::lock_guard lock(standardMutex);
    if (!standardDefaults) {
        standardDefaults = std::make_unique<UserDefaults>(
            standardPathOverride.isEmpty() ? standardFilePath() : standardPathOverride);
    }
    return *standardDefaults;
}

void UserDefaults::setStandardFilePath(const QString& filePath) {
    std::lock_guard lock(standardMutex);
    standardPathOverride = filePath;
    standardDefaults.reset();
}

QString UserDefaults::standardFilePath() {
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        folder = QDir::homePath() + QStringLiteral("/.config");
    }
    return folder + u'/' + Bundle::main()->identifier() + QStringLiteral(".plist");
}

UserDefaults::UserDefaults(const QString& filePath) : m_filePath(filePath) {
    m_writable = readFile(&m_values) != FileState::Unreadable;
}

UserDefaults::~UserDefaults() = default;

UserDefaults::FileState UserDefaults::readFile(QVariantMap* values) const {
    int error = 0;
    // Links are followed (settings kept elsewhere and linked in), but only
    // to a plain file: a device or a named pipe in its place counts as
    // damaged, never as endless settings. A folder is left alone.
    const auto data =
        RegularFile::read(m_filePath, maximumFileSize, RegularFile::Links::follow, &error);
    if (!data && error == ENOENT) {
        values->clear();
        return FileState::Missing;
    }
    if (!data && error != EINVAL && error != EFBIG && error != ELOOP) {
        Log::line(QStringLiteral("The settings file %1 cannot be read (%2); settings will not be "
                                 "saved.")
                      .arg(m_filePath, QString::fromLocal8Bit(std::strerror(error))));
        return FileState::Unreadable;
    }
    QString message;
    const QVariant parsed = data ? PropertyList::fromData(*data, &message) : QVariant();
    if (parsed.typeId() == QMetaType::QVariantMap) {
        *values = parsed.toMap();
        return FileState::Readable;
    }
    const QString aside = asideName(m_filePath);
    // Renamed as it is, a link or a pipe included: a copy (what a failed
    // QFile::rename falls back to) could read for ever.
    if (::rename(QFile::encodeName(m_filePath).constData(), QFile::encodeName(aside).constData()) !=
        0) {
        Log::line(QStringLiteral("The settings file %1 is damaged and cannot be moved aside; "
                                 "settings will not be saved.")
                      .arg(m_filePath));
        return FileState::Unreadable;
    }
    Log::line(QStringLiteral("The settings file %1 is damaged; it was moved to %2 and the "
                             "defaults are used.")
                  .arg(m_filePath, aside));
    values->clear();
    return FileState::Missing;
}

bool UserDefaults::contains(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return m_values.contains(key);
}

QVariant UserDefaults::object(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return m_values.value(key);
}

QVariantMap UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(m_mutex);
    return m_values;
}

void UserDefaults::setObject(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        removeObject(key);
        return;
    }
    QString message;
    if (PropertyList::toData(value, PropertyList::Format::Binary, &message).isEmpty()) {
        Error::UserInfo info;
        info.localizedDescription =
            QStringLiteral("The value for \"%1\" cannot be saved: %2.").arg(key, message);
        throw Error(QStringLiteral("UserDefaults"), 1, info);
    }
    change(key, value);
}

void UserDefaults::removeObject(const QString& key) {
    change(key, QVariant());
}

void UserDefaults::registerDefault(const QString& key, const QVariant& value) {
    if (!contains(key)) {
        setObject(key, value);
    }
}

void UserDefaults::change(const QString& key, const QVariant& value) {
    notifyChangingValue(key, [&] {
        std::lock_guard lock(m_mutex);
        // Another instance may have written since: start from the file.
        QVariantMap current;
        FileState state = m_writable ? readFile(&current) : FileState::Unreadable;
        if (state == FileState::Unreadable) {
            m_writable = false;
        }
        if (state != FileState::Readable) {
            // Gone or damaged (and moved aside) since: what this run holds
            // is written again, not lost.
            current = m_values;
        }
        if (value.isValid()) {
            current.insert(key, value);
        } else {
            current.remove(key);
        }
        m_values = current;
        if (!m_writable) {
            return;
        }
        try {
            QDir().mkpath(QFileInfo(m_filePath).absolutePath());
            PropertyList::writeFile(m_filePath, current, PropertyList::Format::Binary);
        } catch (const Error& error) {
            Log::line(error.localizedDescription());
        }
    });
}

QString UserDefaults::string(const QString& key) const {
    const QVariant v = object(key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

bool UserDefaults::boolValue(const QString& key) const {
    const QVariant v = scalar(key);
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed().toLower();
        return t == QLatin1String("yes") || t == QLatin1String("true") || t.toLongLong() != 0;
    }
    return v.toDouble() != 0;
}

qint64 UserDefaults::integer(const QString& key) const {
    return scalar(key).toLongLong();
}

double UserDefaults::doubleValue(const QString& key) const {
    return scalar(key).toDouble();
}

QVariant UserDefaults::scalar(const QString& key) const {
    const QVariant v = object(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QString:
        return v;
    default:
        return {};
    }
}

QVariantMap UserDefaults::dictionary(const QString& key) const {
    const QVariant v = object(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QVariantList UserDefaults::array(const QString& key) const {
    const QVariant v = object(key);
    return v.typeId() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

} // namespace platform
