#include "core/document/runs/DeviceRunQueue.h"

#include <QThreadPool>

namespace kestrom {

namespace {

QThreadPool& pool() {
    static QThreadPool* threads = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(4);
        p->setObjectName(QStringLiteral("device runs"));
        return p;
    }();
    return *threads;
}

} // namespace

void DeviceRunQueue::run(std::function<void()> work) {
    pool().start(std::move(work));
}

void DeviceRunQueue::waitForDone() {
    pool().waitForDone();
}

} // namespace kestrom
