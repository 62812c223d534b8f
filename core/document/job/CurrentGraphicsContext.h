#pragma once

#include "platform/graphics/GraphicsContext.h"

#include <utility>

namespace kestrom {

// The drawing context that drawing helpers draw into when none is passed:
// the one made current by the innermost perform() running on this thread.
class CurrentGraphicsContext {
public:
    // Nothing outside perform().
    static platform::GraphicsContext* current();
    // Whether the current context was made current as flipped (y down).
    static bool isFlipped();

    // Makes the context current (with its flipped flag) while the body runs,
    // then makes the previous one current again, also when the body throws;
    // gives the body's result.
    template <typename Body>
    static auto perform(platform::GraphicsContext& context, bool flipped, Body&& body)
        -> decltype(body(context)) {
        struct Restore {
            Entry previous;
            ~Restore() { setEntry(previous); }
        } restore{entry()};
        setEntry({&context, flipped});
        return std::forward<Body>(body)(context);
    }

private:
    struct Entry {
        platform::GraphicsContext* context = nullptr;
        bool flipped = false;
    };
    static Entry entry();
    static void setEntry(Entry entry);
};

} // namespace kestrom
