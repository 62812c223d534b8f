#pragma once

#include "platform/compute/Kernel.h"

#include <QString>

namespace platform::compute {

// One kernel of a library, by name, ready to be compiled into a pipeline.
class KernelFunction {
public:
    KernelFunction(QString name, Kernel kernel)
        : m_name(std::move(name)), m_kernel(std::move(kernel)) {}

    const QString& name() const { return m_name; }
    const Kernel& kernel() const { return m_kernel; }

private:
    QString m_name;
    Kernel m_kernel;
};

} // namespace platform::compute
