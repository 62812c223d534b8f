#pragma once

#include "platform/KeyRegistration.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class Observable;

// Watches a dotted key path from a root object: one registration per link,
// plus the dependent key paths each link's key declares. When a link's
// object is replaced, the links after it re-attach to the new objects.
// Every change anywhere on the path is reported as a will/did pair.
class KeyPathObserver : public std::enable_shared_from_this<KeyPathObserver> {
public:
    static std::shared_ptr<KeyPathObserver> make(Observable* root, const QString& keyPath,
                                                 std::function<void()> will,
                                                 std::function<void()> did, int depth = 0);
    ~KeyPathObserver();

    void invalidate();
    bool isValid() const { return m_valid; }
    const QString& keyPath() const { return m_keyPath; }
    // The root object, or nothing once it is gone or the observer ended.
    Observable* root() const;
    QVariant value() const;

private:
    struct Link {
        std::shared_ptr<KeyRegistration> registration;
        std::vector<std::shared_ptr<KeyPathObserver>> dependents;
    };

    KeyPathObserver(const QString& keyPath, std::function<void()> will, std::function<void()> did,
                    int depth);
    void attach(int index, Observable* object);
    void detachFrom(int index);
    void linkWillChange();
    void linkDidChange(int index);

    QString m_keyPath;
    QStringList m_keys;
    std::function<void()> m_will;
    std::function<void()> m_did;
    int m_depth;
    bool m_valid = true;
    std::vector<Link> m_links;
};

} // namespace platform
