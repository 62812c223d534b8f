#include "platform/compute/Library.h"

namespace platform::compute {

std::shared_ptr<Function> Library::newFunction(const QString& name) const {
    const auto it = m_kernels.constFind(name);
    if (it == m_kernels.constEnd()) {
        return nullptr;
    }
    return std::make_shared<Function>(name, *it);
}

} // namespace platform::compute
