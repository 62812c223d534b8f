#include "core/document/application/DocumentWorkQueue.h"

#include <QThreadPool>

namespace kestrom {

namespace {

QThreadPool& pool() {
    // Never destroyed: work still running at exit must not find it gone.
    static QThreadPool* threads = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(2);
        p->setObjectName(QStringLiteral("document work"));
        return p;
    }();
    return *threads;
}

} // namespace

void DocumentWorkQueue::run(std::function<void()> work) {
    pool().start(std::move(work));
}

void DocumentWorkQueue::waitForDone() {
    pool().waitForDone();
}

} // namespace kestrom
