#pragma once

#include "model/errors/DecodingError.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QStringList>

#include <optional>

namespace ambrel {

// Strict, typed reading of decoded JSON. A reader is one value together with
// its coding path; every failure is a thrown DecodingError naming that path.
// Required keys fail when absent (keyNotFound) or null (valueNotFound); the
// optional readers treat an absent key and a null value alike as "none" but
// still refuse a value of the wrong type.
class JsonReader {
public:
    explicit JsonReader(QJsonValue value, QStringList codingPath = {});

    // Any JSON text, a single number or string included; anything that is not
    // JSON fails with dataCorrupted.
    static JsonReader parse(const QByteArray& json);
    // A property-list tree (QVariantMap, QVariantList, numbers, strings).
    static JsonReader fromVariant(const QVariant& value);

    const QJsonValue& value() const { return m_value; }
    const QStringList& codingPath() const { return m_codingPath; }
    bool isNull() const { return m_value.isNull() || m_value.isUndefined(); }

    QString string() const;
    double number() const;
    // A number that is a whole number within the signed 64-bit range.
    qint64 integer() const;
    bool boolean() const;
    QList<JsonReader> array() const;
    QJsonObject object() const;

    // Keyed access; the value must be an object.
    bool contains(const QString& key) const;
    JsonReader key(const QString& key) const;
    std::optional<JsonReader> optionalKey(const QString& key) const;
    std::optional<QString> optionalString(const QString& key) const;
    std::optional<double> optionalNumber(const QString& key) const;
    std::optional<qint64> optionalInteger(const QString& key) const;
    std::optional<bool> optionalBoolean(const QString& key) const;

    DecodingError error(DecodingError::Case c, const QString& debugDescription) const;
    [[noreturn]] void fail(DecodingError::Case c, const QString& debugDescription) const;

private:
    void requireNotNull(const char* expected) const;
    [[noreturn]] void failType(const char* expected) const;

    QJsonValue m_value;
    QStringList m_codingPath;
};

} // namespace ambrel
