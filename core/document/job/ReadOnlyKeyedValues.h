#pragma once

#include "platform/Observable.h"

#include <functional>

namespace kestrom {

// An unchanging value (a model, a canvas, a picture) seen through keys, so
// that key paths such as "deviceDescriptor.allowedOffsetBases" reach into it.
// It never announces a change: the holder replaces the whole object, which
// observers of the path see as a change of the holder's key.
class ReadOnlyKeyedValues : public platform::Observable {
public:
    using Reader = std::function<QVariant(const QString& key)>;

    explicit ReadOnlyKeyedValues(Reader reader) : m_reader(std::move(reader)) {}

    QVariant valueForKey(const QString& key) const override { return m_reader(key); }
    // Nothing of it can be written.
    void setValueForKey(const QString&, const QVariant&) override {}

private:
    Reader m_reader;
};

} // namespace kestrom
