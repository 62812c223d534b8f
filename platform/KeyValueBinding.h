#pragma once

#include "platform/Observation.h"

#include <QByteArray>
#include <QMetaProperty>
#include <QObject>
#include <QStringList>

#include <vector>

namespace platform {

class Observable;

// How a bound property shows its value.
struct KeyValueBindingOptions {
    enum Transformer {
        NoTransformer,
        // Booleans: the property shows the opposite of the value, both ways.
        Negate,
    };
    Transformer transformer = NoTransformer;
    // Whether edits of the property are written back to the key path.
    bool writesBack = true;
};

// Keeps a property of a QObject (a widget's "value", "checked", "enabled",
// "text", ...) equal to a key path of an observable object, and writes the
// user's edits back when the property has a change signal. The binding is a
// child of the target, so it ends with it; the observed object may go first.
class KeyValueBinding : public QObject {
    Q_OBJECT
public:
    using Options = KeyValueBindingOptions;
    using Transformer = KeyValueBindingOptions::Transformer;
    static constexpr Transformer Negate = KeyValueBindingOptions::Negate;

    // Replaces an earlier binding of the same property.
    static KeyValueBinding* bind(QObject* target, const char* property, Observable* observed,
                                 const QString& keyPath, Options options = Options());
    static KeyValueBinding* bind(QObject* target, const char* property, Observable* observed,
                                 const QString& keyPath, Transformer transformer) {
        Options options;
        options.transformer = transformer;
        return bind(target, property, observed, keyPath, options);
    }
    // A Boolean property that is true exactly when every key path is true
    // (two enablings together); never written back.
    static KeyValueBinding* bindAll(QObject* target, const char* property, Observable* observed,
                                    const QStringList& keyPaths);
    static void unbind(QObject* target, const char* property);
    // The binding of the property, or nothing.
    static KeyValueBinding* binding(QObject* target, const char* property);

    const QByteArray& propertyName() const { return m_propertyName; }
    QStringList keyPaths() const;

private slots:
    void targetPropertyChanged();

private:
    KeyValueBinding(QObject* target, const char* property, Options options);
    void updateTarget();
    QVariant currentValue() const;

    QObject* m_target;
    QByteArray m_propertyName;
    QMetaProperty m_property;
    Options m_options;
    std::vector<Observation> m_observations;
    bool m_updating = false;
};

} // namespace platform
