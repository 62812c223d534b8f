#include "model/connections/DeviceStatusElement.h"

#include "platform/Log.h"

#include <QStringList>

#include <cmath>

namespace ambrel {

namespace {

const QStringList& caseNames() {
    static const QStringList names{
        QStringLiteral("dateTime"),
        QStringLiteral("app"),
        QStringLiteral("mac"),
        QStringLiteral("macOs"),
        QStringLiteral("error"),
        QStringLiteral("alert"),
        QStringLiteral("modelName"),
        QStringLiteral("firmware"),
        QStringLiteral("serial"),
        QStringLiteral("headTemperature"),
        QStringLiteral("foilTemperature"),
        QStringLiteral("motorTemperature"),
        QStringLiteral("colorInkStatus"),
        QStringLiteral("blackInkStatus"),
        QStringLiteral("remainingColorInk"),
        QStringLiteral("remainingBlackInk"),
    };
    return names;
}

// The description, then the recovery suggestion when there is one, as the
// sentences of one line; a description that does not end as a sentence does
// gets a full stop before the suggestion.
QString errorSentences(const platform::Error& error) {
    QString line = error.localizedDescription();
    const auto suggestion = error.localizedRecoverySuggestion();
    if (!suggestion || suggestion->isEmpty()) {
        return line;
    }
    if (line.isEmpty()) {
        return *suggestion;
    }
    if (!line.back().isPunct()) {
        line += u'.';
    }
    return line + u' ' + *suggestion;
}

// The percentage rounded to a whole number, halves away from zero, shown with
// one fractional digit as the shortest form of a whole floating number is.
QString percentText(double factor) {
    const double percent = std::round(factor * 100.0);
    if (!std::isfinite(percent)) {
        return QString::number(percent) + u'%';
    }
    if (std::abs(percent) >= 1e16) {
        return QString::number(percent, 'g', 17) + u'%';
    }
    return QString::number(percent, 'f', 1) + u'%';
}

bool sameError(const DeviceStatusElement::ErrorPointer& a,
               const DeviceStatusElement::ErrorPointer& b) {
    if (a == b) {
        return true;
    }
    if (!a || !b) {
        return false;
    }
    return a->domain() == b->domain() && a->code() == b->code() &&
           a->localizedDescription() == b->localizedDescription() &&
           a->localizedRecoverySuggestion() == b->localizedRecoverySuggestion();
}

} // namespace

DeviceStatusElement DeviceStatusElement::dateTime(const QDateTime& date) {
    return {Case::dateTime, date};
}
DeviceStatusElement DeviceStatusElement::app(const QString& value) {
    return {Case::app, value};
}
DeviceStatusElement DeviceStatusElement::mac(const QString& value) {
    return {Case::mac, value};
}
DeviceStatusElement DeviceStatusElement::macOs(const QString& value) {
    return {Case::macOs, value};
}
DeviceStatusElement DeviceStatusElement::error(const platform::Error& error) {
    return {Case::error, error.clone()};
}
DeviceStatusElement DeviceStatusElement::alert(const platform::Error& error) {
    return {Case::alert, error.clone()};
}
DeviceStatusElement DeviceStatusElement::modelName(const QString& value) {
    return {Case::modelName, value};
}
DeviceStatusElement DeviceStatusElement::firmware(const QString& value) {
    return {Case::firmware, value};
}
DeviceStatusElement DeviceStatusElement::serial(const QString& value) {
    return {Case::serial, value};
}
DeviceStatusElement DeviceStatusElement::headTemperature(qint64 celsius) {
    return {Case::headTemperature, celsius};
}
DeviceStatusElement DeviceStatusElement::foilTemperature(qint64 celsius) {
    return {Case::foilTemperature, celsius};
}
DeviceStatusElement DeviceStatusElement::motorTemperature(qint64 celsius) {
    return {Case::motorTemperature, celsius};
}
DeviceStatusElement DeviceStatusElement::colorInkStatus(const QString& status) {
    return {Case::colorInkStatus, status};
}
DeviceStatusElement DeviceStatusElement::blackInkStatus(const QString& status) {
    return {Case::blackInkStatus, status};
}
DeviceStatusElement DeviceStatusElement::remainingColorInk(double factor) {
    return {Case::remainingColorInk, factor};
}
DeviceStatusElement DeviceStatusElement::remainingBlackInk(double factor) {
    return {Case::remainingBlackInk, factor};
}

QString DeviceStatusElement::caseName(Case c) {
    return caseNames().value(int(c));
}

QString DeviceStatusElement::colonSeparator() {
    static const QString separator = [] {
        const QString key = QStringLiteral("DeviceStatusElement_ColonSeparator");
        const auto text = LocalizedStringTable::ambrel().getLocalizedStringOrNull(key);
        if (!text) {
            platform::Log::fatal(QStringLiteral("missing text: ") + key);
        }
        return *text;
    }();
    return separator;
}

QString DeviceStatusElement::localizedLabel() const {
    return localizedLabel(LocalizedStringTable::ambrel());
}

QString DeviceStatusElement::localizedLabel(const LocalizedStringTable& table) const {
    const QString name = caseName(m_case);
    return table.getLocalizedStringOrNull(QStringLiteral("DeviceStatusElement_Label_") + name)
        .value_or(name);
}

QString DeviceStatusElement::localizedValue() const {
    switch (m_case) {
    case Case::dateTime:
        // Fixed digits and separators whatever the user's language and calendar.
        return std::get<QDateTime>(m_payload).toLocalTime().toString(
            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Case::error:
    case Case::alert:
        return errorSentences(*std::get<ErrorPointer>(m_payload));
    case Case::headTemperature:
    case Case::foilTemperature:
    case Case::motorTemperature:
        return QString::number(std::get<qint64>(m_payload)) + QChar(0x2103);
    case Case::remainingColorInk:
    case Case::remainingBlackInk:
        return percentText(std::get<double>(m_payload));
    case Case::app:
    case Case::mac:
    case Case::macOs:
    case Case::modelName:
    case Case::firmware:
    case Case::serial:
    case Case::colorInkStatus:
    case Case::blackInkStatus:
        return std::get<QString>(m_payload);
    }
    return {};
}

DeviceStatusElement::IconAsset DeviceStatusElement::iconAsset() const {
    switch (m_case) {
    case Case::dateTime:
        return IconAsset::timeTemplate;
    case Case::app:
        return IconAsset::applicationTemplate;
    case Case::mac:
        return IconAsset::computerTemplate;
    case Case::macOs:
        return IconAsset::osTemplate;
    case Case::error:
    case Case::alert:
        return IconAsset::alertTemplate;
    case Case::modelName:
    case Case::firmware:
    case Case::serial:
        return IconAsset::infoTemplate;
    case Case::headTemperature:
    case Case::foilTemperature:
    case Case::motorTemperature:
        return IconAsset::temperatureTemplate;
    case Case::colorInkStatus:
    case Case::remainingColorInk:
        return IconAsset::inkColor;
    case Case::blackInkStatus:
    case Case::remainingBlackInk:
        return IconAsset::inkBlack;
    }
    return IconAsset::infoTemplate;
}

std::optional<QIcon> DeviceStatusElement::icon() const {
    return iconAsset().icon();
}

bool DeviceStatusElement::operator==(const DeviceStatusElement& other) const {
    if (m_case != other.m_case || m_payload.index() != other.m_payload.index()) {
        return false;
    }
    if (const auto* mine = std::get_if<ErrorPointer>(&m_payload)) {
        return sameError(*mine, std::get<ErrorPointer>(other.m_payload));
    }
    return m_payload == other.m_payload;
}

} // namespace ambrel
