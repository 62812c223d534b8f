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
    // An empty array when the value holds something a property list cannot.
    static QByteArray toData(const QVariant& value, Format format = Format::Xml,
                             QString* errorMessage = nullptr);
};

} // namespace platform
