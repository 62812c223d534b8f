#include "model/errors/ConnectionError.h"

namespace ambrel {

const QString ConnectionError::domain = QStringLiteral("Ambrel.ConnectionError");

namespace {
std::optional<LocalizedStringTable>& replacedTable() {
    static std::optional<LocalizedStringTable> table;
    return table;
}
} // namespace

LocalizedStringTable ConnectionError::sharedTable() {
    return replacedTable().value_or(LocalizedStringTable::ambrel());
}

void ConnectionError::setSharedTable(const LocalizedStringTable& table) {
    replacedTable() = table;
}

ConnectionError::ConnectionError(Case c) : LocalizableError(domain, qint64(c)), m_case(c) {}

ConnectionError ConnectionError::headIsTooHighTemperature(qint64 preferredTemperature,
                                                          qint64 current) {
    ConnectionError e(Case::headIsTooHighTemperature);
    e.m_preferredTemperature = preferredTemperature;
    e.m_current = current;
    return e;
}

QString ConnectionError::caseName(Case c) {
    switch (c) {
    case Case::headIsTooHighTemperature:
        return QStringLiteral("headIsTooHighTemperature");
    case Case::incorrectDeviceModel:
        return QStringLiteral("incorrectDeviceModel");
    case Case::noDeviceModelInDocument:
        return QStringLiteral("noDeviceModelInDocument");
    case Case::noImageInDocument:
        return QStringLiteral("noImageInDocument");
    case Case::documentImageIsTooSmall:
        return QStringLiteral("documentImageIsTooSmall");
    case Case::documentImageIsNotInCanvas:
        return QStringLiteral("documentImageIsNotInCanvas");
    case Case::couldNotGetPrinterStatus:
        return QStringLiteral("couldNotGetPrinterStatus");
    case Case::receivedInvalidData:
        return QStringLiteral("receivedInvalidData");
    case Case::printerIsBusy:
        return QStringLiteral("printerIsBusy");
    case Case::userCancelled:
        return QStringLiteral("userCancelled");
    case Case::scriptingPrintIsNotAllowedByUser:
        return QStringLiteral("scriptingPrintIsNotAllowedByUser");
    }
    return {};
}

QList<platform::FormatArgument> ConnectionError::descriptionFormatArguments() const {
    if (m_case == Case::headIsTooHighTemperature) {
        return {m_current};
    }
    return {};
}

QList<platform::FormatArgument> ConnectionError::recoverySuggestionFormatArguments() const {
    if (m_case == Case::headIsTooHighTemperature) {
        return {m_preferredTemperature};
    }
    return {};
}

std::shared_ptr<const platform::Error> ConnectionError::clone() const {
    return std::make_shared<ConnectionError>(*this);
}

void ConnectionError::raise() const {
    throw *this;
}

bool ConnectionError::is(const platform::Error& error, Case c) {
    auto* e = dynamic_cast<const ConnectionError*>(&error);
    return e && e->m_case == c;
}

} // namespace ambrel
