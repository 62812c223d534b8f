#pragma once

#include <QString>
#include <QVariantMap>

#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// An error a user or a device can cause. Every error the system throws
// derives from it, so callers can always show a description and, when there
// is one, a recovery suggestion.
class Error : public std::exception {
public:
    struct UserInfo {
        std::optional<QString> localizedDescription;
        std::optional<QString> localizedRecoverySuggestion;
        std::shared_ptr<const Error> underlyingError;
        QVariantMap other;
    };

    Error(QString domain, qint64 code, UserInfo userInfo = {});
    ~Error() override;

    const QString& domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    const UserInfo& userInfo() const { return m_userInfo; }
    std::shared_ptr<const Error> underlyingError() const { return m_userInfo.underlyingError; }

    // Subclasses that compute their texts on demand override these two.
    virtual QString localizedDescription() const;
    virtual std::optional<QString> localizedRecoverySuggestion() const;

    // A copy that keeps the dynamic type, for storing an error past its throw.
    virtual std::shared_ptr<const Error> clone() const;
    // Throws this error with its dynamic type.
    [[noreturn]] virtual void raise() const;

    const char* what() const noexcept override;

private:
    QString m_domain;
    qint64 m_code;
    UserInfo m_userInfo;
};

} // namespace platform
