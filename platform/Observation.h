#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace platform {

class KeyPathObserver;

// A running observation of a key path; it ends when this handle is
// destroyed, invalidated or assigned over. Move-only.
class Observation {
public:
    Observation() = default;
    explicit Observation(std::shared_ptr<KeyPathObserver> observer);
    Observation(Observation&& other) noexcept = default;
    Observation& operator=(Observation&& other) noexcept;
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation();

    void invalidate();
    // False once invalidated or once the observed object is gone.
    bool isValid() const;
    QString keyPath() const;
    // The current value of the observed key path; empty when the observed
    // object is gone.
    QVariant value() const;
    // Writes the key path on the observed object, when it still exists.
    void setValue(const QVariant& value) const;

private:
    std::shared_ptr<KeyPathObserver> m_observer;
};

} // namespace platform
