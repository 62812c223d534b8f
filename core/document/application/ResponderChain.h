#pragma once

#include <QObject>

namespace kestrom {

// The chain of objects that pass on what one of them does not handle: a
// widget's parents up to its window, a controller's owners.
class ResponderChain {
public:
    // The first object up the chain from the receiver's parent that is a T
    // (subclasses count); never the receiver itself.
    template <typename T> static T* nearestResponder(const QObject* receiver) {
        for (QObject* next = receiver ? receiver->parent() : nullptr; next; next = next->parent()) {
            if (T* match = qobject_cast<T*>(next)) {
                return match;
            }
        }
        return nullptr;
    }
};

} // namespace kestrom
