#include "platform/Error.h"

namespace platform {

Error::Error(QString domain, qint64 code, UserInfo userInfo)
    : m_domain(std::move(domain)), m_code(code), m_userInfo(std::move(userInfo)) {}

Error::~Error() = default;

QString Error::localizedDescription() const {
    if (m_userInfo.localizedDescription) {
        return *m_userInfo.localizedDescription;
    }
    return QStringLiteral("The operation couldn\u2019t be completed. (%1 error %2.)")
        .arg(m_domain)
        .arg(m_code);
}

std::optional<QString> Error::localizedRecoverySuggestion() const {
    return m_userInfo.localizedRecoverySuggestion;
}

std::shared_ptr<const Error> Error::clone() const {
    return std::make_shared<Error>(*this);
}

void Error::raise() const {
    throw *this;
}

const char* Error::what() const noexcept {
    // One buffer per thread, so two threads asking one error do not race; the
    // text stays valid until this thread asks again.
    thread_local std::string text;
    try {
        text = localizedDescription().toStdString();
    } catch (...) {
        text = "error";
    }
    return text.c_str();
}

} // namespace platform
