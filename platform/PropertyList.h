#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace platform {

// Property lists (XML and binary) to and from QVariant trees: dictionaries are
// QVariantMap, arrays QVariantList, and the leaves QString, bool, qint64,
// double, QDateTime and QByteArray.
class PropertyList {
public:
    enum class Format { Xml, Binary };

    // An invalid QVariant when the bytes are not a property list.
    static QVariant fromData(const QByteArray& data, QString* errorMessage = nullptr);
    // An empty array when the value holds something a property list cannot
    // (an empty value, an object of another type, a text or key with a NUL
    // character, a date out of range).
    static QByteArray toData(const QVariant& value, Format format = Format::Xml,
                             QString* errorMessage = nullptr);

    // The property list in a file. Throws platform::Error naming the file when
    // it cannot be read or holds no property list.
    static QVariant readFile(const QString& path);
    // Writes beside the file and renames over it, so a failed write leaves
    // the old file. A value a property list cannot hold throws
    // platform::Error before anything is written.
    static void writeFile(const QString& path, const QVariant& value,
                          Format format = Format::Binary);
};

} // namespace platform
