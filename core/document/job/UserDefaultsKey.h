#pragma once

#include "core/document/job/UserDefaultsKeyProtocol.h"
#include "platform/UserDefaults.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace kestrom {

// A key of the user's defaults with the value type T and a maker of its
// default; a key whose maker is absent or makes nothing has no default.
template <typename T> class UserDefaultsKey : public UserDefaultsKeyProtocol {
public:
    using DefaultValueHandler = std::function<std::optional<T>()>;

    UserDefaultsKey(const QString& key, DefaultValueHandler defaultValueHandler = {})
        : m_key(key), m_defaultValueHandler(std::move(defaultValueHandler)) {}

    const QString& key() const { return m_key; }
    const DefaultValueHandler& defaultValueHandler() const { return m_defaultValueHandler; }

    // Writes the default into the defaults file when the key holds nothing
    // (of whatever type); the value stays there for later runs.
    void registerIn(platform::UserDefaults& defaults) const override {
        if (defaults.contains(m_key) || !m_defaultValueHandler) {
            return;
        }
        if (const std::optional<T> value = m_defaultValueHandler()) {
            defaults.setObject(m_key, QVariant::fromValue(*value));
        }
    }

private:
    QString m_key;
    DefaultValueHandler m_defaultValueHandler;
};

} // namespace kestrom
