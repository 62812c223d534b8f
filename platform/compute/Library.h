#pragma once

#include "platform/compute/KernelFunction.h"

#include <QHash>
#include <QString>

#include <memory>

namespace platform::compute {

// The kernels of one bundle as loaded by a device.
class Library {
public:
    explicit Library(QHash<QString, Kernel> kernels) : m_kernels(std::move(kernels)) {}

    // The function of that name, or none when the library has no such kernel.
    std::shared_ptr<KernelFunction> newFunction(const QString& name) const;
    QStringList functionNames() const { return m_kernels.keys(); }

private:
    QHash<QString, Kernel> m_kernels;
};

} // namespace platform::compute
