#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace kestrom {

// How a package looks on disk: the name, kind, size, modification time and
// file number of everything in it, and a digest of the contents of the
// members a package holds (settings, picture, thumbnail). Saves never change
// a member in place (a new package takes the old one's name), so any write by
// this application or another program gives another fingerprint, even one
// that keeps sizes, file numbers and times; reading gives the same. Members
// the package format does not know are told by their metadata alone: a save
// drops them, and reading them could take long. A member larger than any a
// package holds is not read: its fingerprint matches no other, not even one
// taken again, so that such a package always counts as changed.
class PackageFingerprint {
public:
    struct Entry {
        QString name;    // relative to the package
        char kind = 'f'; // 'f' file, 'd' folder, 'l' link, 'o' other
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 inode = 0;
        quint64 device = 0;
        // Of the contents; empty when not taken or unreadable.
        QByteArray digest;
        bool operator==(const Entry& other) const;
    };

    enum class Contents { digested, metadataOnly };
    // The fingerprint of what is at the path now; a missing path gives one
    // that exists() not. Digesting reads the members: any thread, but keep
    // it off the main thread where a package may be large.
    static PackageFingerprint of(const QString& path, Contents contents = Contents::digested);

    // The digest the fingerprint takes of a member's contents.
    static QByteArray digest(const QByteArray& contents);
    // The members whose contents a fingerprint digests, relative to the
    // package, and the largest of each that is read.
    static bool isDigested(const QString& name);
    static qint64 maximumDigestedSize(const QString& name);

    // This fingerprint's metadata with the digests of the members as they
    // were read (name to digest), for a reader that digests what it parses
    // rather than reading the package again; nothing when a member the
    // fingerprint lists has no digest there or one there is not listed.
    std::optional<PackageFingerprint> withDigests(const QHash<QString, QByteArray>& digests) const;

    bool exists() const { return m_exists; }
    const std::vector<Entry>& entries() const { return m_entries; }
    bool operator==(const PackageFingerprint&) const = default;
    // Equal but for the digests.
    bool sameMetadata(const PackageFingerprint& other) const;
    // Whether any member's contents were digested.
    bool hasDigests() const;
    // Whether the package now is in the state this fingerprint was taken
    // of. One taken without digests (as kept records of earlier versions
    // are) is compared by its metadata alone.
    bool matches(const PackageFingerprint& now) const;

    QJsonObject toJson() const;
    static std::optional<PackageFingerprint> fromJson(const QJsonObject& object);

private:
    bool m_exists = false;
    std::vector<Entry> m_entries;
};

} // namespace kestrom
