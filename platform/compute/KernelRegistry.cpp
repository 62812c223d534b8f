#include "platform/compute/KernelRegistry.h"

#include <mutex>

namespace platform::compute {

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

QHash<const Bundle*, QHash<QString, Kernel>>& registry() {
    static QHash<const Bundle*, QHash<QString, Kernel>> kernels;
    return kernels;
}

} // namespace

void KernelRegistry::registerKernel(const Bundle* bundle, const QString& name, Kernel kernel) {
    std::lock_guard lock(registryMutex());
    registry()[bundle].insert(name, std::move(kernel));
}

std::optional<QHash<QString, Kernel>> KernelRegistry::kernels(const Bundle* bundle) {
    std::lock_guard lock(registryMutex());
    const auto it = registry().constFind(bundle);
    if (it == registry().constEnd()) {
        return std::nullopt;
    }
    return *it;
}

} // namespace platform::compute
