#pragma once

#include "platform/compute/Kernel.h"

#include <QString>

namespace platform::compute {

// A kernel ready to be dispatched. Each compilation makes a new object.
class ComputePipelineState {
public:
    ComputePipelineState(QString functionName, Kernel kernel)
        : m_functionName(std::move(functionName)), m_kernel(std::move(kernel)) {}

    const QString& functionName() const { return m_functionName; }
    const Kernel& kernel() const { return m_kernel; }

private:
    QString m_functionName;
    Kernel m_kernel;
};

} // namespace platform::compute
