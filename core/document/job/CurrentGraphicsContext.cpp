#include "core/document/job/CurrentGraphicsContext.h"

namespace kestrom {

namespace {

thread_local platform::GraphicsContext* currentContext = nullptr;
thread_local bool currentFlipped = false;

} // namespace

platform::GraphicsContext* CurrentGraphicsContext::current() {
    return currentContext;
}

bool CurrentGraphicsContext::isFlipped() {
    return currentContext && currentFlipped;
}

CurrentGraphicsContext::Entry CurrentGraphicsContext::entry() {
    return {currentContext, currentFlipped};
}

void CurrentGraphicsContext::setEntry(Entry entry) {
    currentContext = entry.context;
    currentFlipped = entry.flipped;
}

} // namespace kestrom
