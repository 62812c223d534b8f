#include "platform/PropertyList.h"

#include "platform/Error.h"
#include "platform/PlatformText.h"
#include "platform/PropertyListCheck.h"
#include "platform/StringFormat.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace platform {

namespace {

// Property list dates count seconds from 2001-01-01 UTC.
const qint64 referenceEpochSeconds = 978307200;

struct PlistDeleter {
    void operator()(plist_t p) const {
        if (p) {
            plist_free(p);
        }
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

QVariant toVariant(plist_t node, int depth) {
    if (!node || depth > PropertyListCheck::maximumNesting) {
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        while (true) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            map.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            std::free(key);
        }
        std::free(it);
        return map;
    }
    case PLIST_ARRAY: {
        // The iterator walks the members in turn; fetching each by its index
        // would count from the first member every time in arrays read from
        // binary files.
        QVariantList list;
        list.reserve(qsizetype(plist_array_get_size(node)));
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        while (true) {
            plist_t item = nullptr;
            plist_array_next_item(node, it, &item);
            if (!item) {
                break;
            }
            list << toVariant(item, depth + 1);
        }
        std::free(it);
        return list;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        return QString::fromUtf8(s, s ? qsizetype(length) : 0);
    }
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return bool(b);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        // Negative integers come back in two's complement.
        return qint64(u);
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return d;
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (referenceEpochSeconds + qint64(sec)) * 1000 + usec / 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray data(bytes, qsizetype(length));
        std::free(bytes);
        return data;
    }
    case PLIST_UID: {
        uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return quint64(u);
    }
    default:
        return {};
    }
}

// The writer takes C strings: a NUL would silently cut the text short.
bool holdsNul(const QString& text, QString* error) {
    if (!text.contains(QChar(u'\0'))) {
        return false;
    }
    *error = QStringLiteral("a text holding a NUL character cannot be stored in a property list");
    return true;
}

plist_t toNode(const QVariant& value, QString* error, int depth) {
    if (depth > PropertyListCheck::maximumNesting) {
        *error = QStringLiteral("nesting too deep");
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (holdsNul(it.key(), error)) {
                plist_free(dict);
                return nullptr;
            }
            plist_t child = toNode(it.value(), error, depth + 1);
            if (!child) {
                plist_free(dict);
                return nullptr;
            }
            plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
        }
        return dict;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList()) {
            plist_t child = toNode(item, error, depth + 1);
            if (!child) {
                plist_free(array);
                return nullptr;
            }
            plist_array_append_item(array, child);
        }
        return array;
    }
    case QMetaType::QString:
        if (holdsNul(value.toString(), error)) {
            return nullptr;
        }
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - referenceEpochSeconds * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        if (sec < std::numeric_limits<int32_t>::min() ||
            sec > std::numeric_limits<int32_t>::max()) {
            *error = QStringLiteral("date out of range");
            return nullptr;
        }
        return plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000));
    }
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), uint64_t(data.size()));
    }
    default:
        *error = QStringLiteral("a value of type %1 cannot be stored in a property list")
                     .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "null"));
        return nullptr;
    }
}

Error fileError(qint64 code, const char* key, const QString& path, const QString& reason) {
    const QString format = PlatformText::text(QString::fromLatin1(key));
    Error::UserInfo info;
    info.localizedDescription = StringFormat::format(format, {path, reason});
    info.other.insert(QStringLiteral("path"), path);
    return Error(QStringLiteral("PropertyList"), code, info);
}

} // namespace

QVariant PropertyList::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw fileError(1, "PropertyList_unreadableFile", path, file.errorString());
    }
    QString message;
    const QVariant value = fromData(file.readAll(), &message);
    if (!value.isValid()) {
        throw fileError(2, "PropertyList_damagedFile", path, message);
    }
    return value;
}

void PropertyList::writeFile(const QString& path, const QVariant& value, Format format) {
    QString message;
    const QByteArray data = toData(value, format, &message);
    if (data.isEmpty()) {
        throw fileError(3, "PropertyList_unstorableValue", path, message);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        throw fileError(4, "PropertyList_unwritableFile", path, file.errorString());
    }
}

QVariant PropertyList::fromData(const QByteArray& data, QString* errorMessage) {
    auto refuse = [&](const char* why) {
        if (errorMessage) {
            *errorMessage = QString::fromLatin1(why);
        }
        return QVariant();
    };
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max()) {
        return refuse("no property list data");
    }
    plist_t root = nullptr;
    const bool binary = plist_is_binary(data.constData(), uint32_t(data.size()));
    if (const QString problem = PropertyListCheck::problem(data, binary); !problem.isEmpty()) {
        return refuse("not a property list");
    }
    if (binary) {
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    } else {
        // The XML reader wants to see the document's start; anything else is
        // not a property list we write or read. XML text never holds a NUL
        // byte, and the reader's getters stop the process on keys that do.
        if (!data.trimmed().startsWith('<') || data.contains('\0')) {
            return refuse("not a property list");
        }
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
    }
    PlistPtr guard(root);
    if (!root) {
        return refuse("not a property list");
    }
    return toVariant(root, 0);
}

QByteArray PropertyList::toData(const QVariant& value, Format format, QString* errorMessage) {
    QString error;
    PlistPtr root(toNode(value, &error, 0));
    if (!root) {
        if (errorMessage) {
            *errorMessage = error;
        }
        return {};
    }
    char* out = nullptr;
    uint32_t length = 0;
    if (format == Format::Xml) {
        plist_to_xml(root.get(), &out, &length);
    } else {
        plist_to_bin(root.get(), &out, &length);
    }
    QByteArray bytes(out, qsizetype(length));
    std::free(out);
    return bytes;
}

} // namespace platform
