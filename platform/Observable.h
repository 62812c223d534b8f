#pragma once

// The observation kit: objects whose values are read, written and watched by
// key and by dotted key path, on the main thread, with no polling.
//
// Declaring observable keys. A class derives from Observable, answers reads
// in valueForKey() and writes in setValueForKey(), and announces every change
// itself around the store:
//
//     class Job : public platform::Observable {
//     public:
//         void setCopies(int n) {
//             if (n == m_copies) return;
//             notifyChangingValue("copies", [&] { m_copies = n; });
//         }
//         QVariant valueForKey(const QString& key) const override {
//             if (key == "copies") return m_copies;
//             if (key == "summary") return QString("%1 copies").arg(m_copies);
//             return Observable::valueForKey(key);
//         }
//         void setValueForKey(const QString& key, const QVariant& v) override {
//             if (key == "copies") return setCopies(v.toInt());
//             Observable::setValueForKey(key, v);
//         }
//
// Dependent keys. A derived key names the key paths its value follows, either
// once in the constructor or by overriding keyPathsAffectingKey(); observers
// of the derived key are told whenever one of them changes (chains of
// dependents work, and a dependency may itself be a dotted path):
//
//         Job() { setKeyPathsAffectingKey("summary", {"copies", "paper.name"}); }
//
// Owned objects and dotted key paths. A key that holds another observable
// object answers it in objectForKey(); replacing it is one change of that key:
//
//         Observable* objectForKey(const QString& key) const override {
//             return key == "paper" ? m_paper.get() : nullptr;
//         }
//         void setPaper(std::unique_ptr<Paper> p) {
//             notifyChangingValue("paper", [&] { m_paper = std::move(p); });
//         }
//
// An observer of "paper.name" is then told when the paper's name changes and
// when the paper itself is replaced; it re-attaches to the new paper.
//
// Dynamic keys. Nothing has to be declared beforehand: a setting object that
// keeps values by identifier answers valueForKey(identifier) and notifies the
// identifier it stores, so "currentDeviceSetting.<identifier>" is observable
// for any identifier.
//
// Observing. observe() returns an Observation that ends the observation when
// it is destroyed; keep it as long as the observer should be told:
//
//     m_obs = job.observe("paper.name", Observable::Initial | Observable::New,
//                         [](const platform::KeyValueChange& c) { show(c.newValue); });
//
// With Initial the callback runs at once (isInitial set). Changes that nest
// (a dependent key whose two sources change inside one outer change) reach
// the observer once, when the outermost change ends. Observing is safe when
// any object on the path is destroyed first, and a callback may end its own
// or another observation.
//
// Binding a widget. KeyValueBinding (KeyValueBinding.h) keeps a QObject
// property equal to a key path and writes user edits back:
//
//     platform::KeyValueBinding::bind(spinBox, "value", document, "copies");
//     platform::KeyValueBinding::bind(button, "enabled", document, "isEmpty",
//                                     KeyValueBinding::Negate);
//     platform::KeyValueBinding::bindAll(button, "enabled", document,
//                                        {"canPrint", "hasImage"});
//     platform::KeyValueBinding::unbind(spinBox, "value");

#include "platform/KeyValueChange.h"
#include "platform/Observation.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

struct KeyRegistration;

class Observable {
public:
    enum Option { NoOption = 0, Initial = 1, Old = 2, New = 4 };
    using Options = int;
    using Callback = std::function<void(const KeyValueChange&)>;

    Observable();
    // Observers and dependency tables belong to an object: a copy starts
    // with none observing it and the dependency tables of the original.
    Observable(const Observable& other);
    Observable& operator=(const Observable& other);
    virtual ~Observable();

    // The value of a key; an empty QVariant for a key the object does not know.
    virtual QVariant valueForKey(const QString& key) const;
    // Writes a key. An unknown key is reported on standard error and ignored.
    virtual void setValueForKey(const QString& key, const QVariant& value);
    // The observable object held under a key, for key paths through it;
    // nothing when the key holds no object.
    virtual Observable* objectForKey(const QString& key) const;
    // The key paths, relative to this object, whose changes change the key.
    virtual QStringList keyPathsAffectingKey(const QString& key) const;

    // Walks objectForKey() for every component but the last; empty when a
    // link is missing.
    virtual QVariant valueForKeyPath(const QString& keyPath) const;
    // Writes the last component on the object the rest leads to; nothing
    // happens when a link is missing.
    virtual void setValueForKeyPath(const QString& keyPath, const QVariant& value);

    // Change announcements. Every will has its did; pairs may nest.
    void willChangeValueForKey(const QString& key);
    void didChangeValueForKey(const QString& key);
    void notifyChangingValue(const QString& key, const std::function<void()>& change);

    [[nodiscard]] Observation observe(const QString& keyPath, Options options, Callback callback);
    [[nodiscard]] Observation observe(const QString& keyPath, Callback callback) {
        return observe(keyPath, NoOption, std::move(callback));
    }

    // How many registrations watch the key directly (for tests and checks).
    int observationCount(const QString& key) const;

protected:
    void setKeyPathsAffectingKey(const QString& key, const QStringList& keyPaths);

private:
    friend class KeyPathObserver;
    std::shared_ptr<KeyRegistration> addRegistration(const QString& key, std::function<void()> will,
                                                     std::function<void()> did);
    void removeRegistration(const std::shared_ptr<KeyRegistration>& registration);
    void tell(const QString& key, bool will);

    QHash<QString, std::vector<std::shared_ptr<KeyRegistration>>> m_registrations;
    QHash<QString, QStringList> m_affectingKeyPaths;
};

} // namespace platform
