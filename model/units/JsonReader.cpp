#include "model/units/JsonReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace ambrel {

namespace {

const char* typeName(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Null:
        return "null";
    case QJsonValue::Bool:
        return "a Boolean";
    case QJsonValue::Double:
        return "a number";
    case QJsonValue::String:
        return "a string";
    case QJsonValue::Array:
        return "an array";
    case QJsonValue::Object:
        return "an object";
    case QJsonValue::Undefined:
        return "nothing";
    }
    return "nothing";
}

} // namespace

JsonReader::JsonReader(QJsonValue value, QStringList codingPath)
    : m_value(std::move(value)), m_codingPath(std::move(codingPath)) {}

JsonReader JsonReader::parse(const QByteArray& json) {
    // Wrapped in an array so that a lone number or string is accepted too.
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray("[") + json + QByteArray("\n]"), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray() ||
        document.array().size() != 1) {
        const QString detail = parseError.error != QJsonParseError::NoError
                                   ? parseError.errorString()
                                   : QStringLiteral("not a single JSON value");
        throw DecodingError(DecodingError::Case::dataCorrupted, {},
                            QStringLiteral("The given data was not valid JSON: ") + detail);
    }
    return JsonReader(document.array().first());
}

JsonReader JsonReader::fromVariant(const QVariant& value) {
    return JsonReader(QJsonValue::fromVariant(value));
}

DecodingError JsonReader::error(DecodingError::Case c, const QString& debugDescription) const {
    return DecodingError(c, m_codingPath, debugDescription);
}

void JsonReader::fail(DecodingError::Case c, const QString& debugDescription) const {
    throw error(c, debugDescription);
}

void JsonReader::failType(const char* expected) const {
    fail(DecodingError::Case::typeMismatch,
         QStringLiteral("Expected %1 but found %2 instead.")
             .arg(QLatin1String(expected), QLatin1String(typeName(m_value))));
}

void JsonReader::requireNotNull(const char* expected) const {
    if (isNull()) {
        fail(DecodingError::Case::valueNotFound,
             QStringLiteral("Expected %1 value but found null instead.")
                 .arg(QLatin1String(expected)));
    }
}

QString JsonReader::string() const {
    requireNotNull("a string");
    if (!m_value.isString()) {
        failType("a string");
    }
    return m_value.toString();
}

double JsonReader::number() const {
    requireNotNull("a number");
    if (!m_value.isDouble()) {
        failType("a number");
    }
    return m_value.toDouble();
}

qint64 JsonReader::integer() const {
    const double d = number();
    // Qt keeps integers exactly; a whole double within range counts as one.
    const qint64 a = m_value.toInteger(0);
    const qint64 b = m_value.toInteger(1);
    if (a == b) {
        return a;
    }
    fail(DecodingError::Case::dataCorrupted,
         QStringLiteral("Parsed JSON number <%1> does not fit in a 64-bit integer.")
             .arg(QString::number(d, 'g', 17)));
}

bool JsonReader::boolean() const {
    requireNotNull("a Boolean");
    if (!m_value.isBool()) {
        failType("a Boolean");
    }
    return m_value.toBool();
}

QList<JsonReader> JsonReader::array() const {
    requireNotNull("an array");
    if (!m_value.isArray()) {
        failType("an array");
    }
    const QJsonArray values = m_value.toArray();
    QList<JsonReader> readers;
    readers.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        readers.append(
            JsonReader(values.at(i), m_codingPath + QStringList{QStringLiteral("[%1]").arg(i)}));
    }
    return readers;
}

QJsonObject JsonReader::object() const {
    requireNotNull("an object");
    if (!m_value.isObject()) {
        failType("an object");
    }
    return m_value.toObject();
}

bool JsonReader::contains(const QString& key) const {
    return object().contains(key);
}

JsonReader JsonReader::key(const QString& key) const {
    const QJsonObject o = object();
    const auto it = o.constFind(key);
    if (it == o.constEnd()) {
        // The path names the missing key itself, so the message can say which.
        throw DecodingError(DecodingError::Case::keyNotFound, m_codingPath + QStringList{key},
                            QStringLiteral("No value associated with key \"%1\".").arg(key));
    }
    return JsonReader(it.value(), m_codingPath + QStringList{key});
}

std::optional<JsonReader> JsonReader::optionalKey(const QString& key) const {
    const QJsonObject o = object();
    const auto it = o.constFind(key);
    if (it == o.constEnd() || it.value().isNull()) {
        return std::nullopt;
    }
    return JsonReader(it.value(), m_codingPath + QStringList{key});
}

std::optional<QString> JsonReader::optionalString(const QString& key) const {
    if (auto v = optionalKey(key)) {
        return v->string();
    }
    return std::nullopt;
}

std::optional<double> JsonReader::optionalNumber(const QString& key) const {
    if (auto v = optionalKey(key)) {
        return v->number();
    }
    return std::nullopt;
}

std::optional<qint64> JsonReader::optionalInteger(const QString& key) const {
    if (auto v = optionalKey(key)) {
        return v->integer();
    }
    return std::nullopt;
}

std::optional<bool> JsonReader::optionalBoolean(const QString& key) const {
    if (auto v = optionalKey(key)) {
        return v->boolean();
    }
    return std::nullopt;
}

} // namespace ambrel
