#include "platform/compute/Library.h"

namespace platform::compute {

std::shared_ptr<KernelFunction> Library::newFunction(const QString& name) const {
    const auto it = m_kernels.constFind(name);
    if (it == m_kernels.constEnd()) {
        return nullptr;
    }
    return std::make_shared<KernelFunction>(name, *it);
}

} // namespace platform::compute
