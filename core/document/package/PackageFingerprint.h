#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace kestrom {

// How a package looks on disk: the name, kind, size, modification time and
// file number of everything in it. Saves never change a member in place (a
// new package takes the old one's name), so any write by this application
// or another program gives another fingerprint; reading gives the same.
class PackageFingerprint {
public:
    struct Entry {
        QString name;    // relative to the package
        char kind = 'f'; // 'f' file, 'd' folder, 'l' link, 'o' other
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 inode = 0;
        quint64 device = 0;
        bool operator==(const Entry&) const = default;
    };

    // The fingerprint of what is at the path now; a missing path gives one
    // that exists() not.
    static PackageFingerprint of(const QString& path);

    bool exists() const { return m_exists; }
    const std::vector<Entry>& entries() const { return m_entries; }
    bool operator==(const PackageFingerprint&) const = default;

    QJsonObject toJson() const;
    static std::optional<PackageFingerprint> fromJson(const QJsonObject& object);

private:
    bool m_exists = false;
    std::vector<Entry> m_entries;
};

} // namespace kestrom
