#pragma once

#include "platform/Error.h"
#include "platform/compute/CommandQueue.h"
#include "platform/compute/ComputePipelineState.h"
#include "platform/compute/Device.h"
#include "platform/compute/Library.h"

#include <QHash>
#include <QString>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {
class Bundle;
}

namespace sildor {

// One compute device with its queue, the kernels compiled on it and the
// kernel libraries loaded for it. Callers make one per conversion or
// splitting run, so nothing compiled outlives the run.
class SildorContext {
public:
    // A kernel by the bundle whose default library holds it and its name.
    struct FunctionDescriptor {
        const platform::Bundle* bundle = nullptr;
        QString name;

        bool operator==(const FunctionDescriptor&) const = default;
    };

    class InitializationError : public platform::Error {
    public:
        enum class Case {
            noDevice,
            noCommandQueue,
        };
        static const QString domain;

        explicit InitializationError(Case c);
        Case errorCase() const { return m_case; }
        bool operator==(const InitializationError& other) const { return m_case == other.m_case; }

        std::shared_ptr<const platform::Error> clone() const override;
        [[noreturn]] void raise() const override;

    private:
        Case m_case;
    };

    // A kernel missing from its bundle's library. (The name is spelled as the
    // rest of the system expects it.)
    class FuncionError : public platform::Error {
    public:
        enum class Case {
            noFunction,
        };
        static const QString domain;

        static FuncionError noFunction(const QString& name);
        Case errorCase() const { return Case::noFunction; }
        const QString& functionName() const { return m_name; }
        bool operator==(const FuncionError& other) const { return m_name == other.m_name; }

        std::shared_ptr<const platform::Error> clone() const override;
        [[noreturn]] void raise() const override;

    private:
        explicit FuncionError(QString name);
        QString m_name;
    };

    // Takes the system's device and a queue of it; throws InitializationError
    // when either is missing. No kernel is loaded here.
    SildorContext();

    SildorContext(const SildorContext&) = delete;
    SildorContext& operator=(const SildorContext&) = delete;

    const std::shared_ptr<platform::compute::Device>& device() const { return m_device; }
    const std::shared_ptr<platform::compute::CommandQueue>& commandQueue() const {
        return m_commandQueue;
    }

    // The compiled kernel, compiled at the first request of this context.
    // Throws FuncionError for a kernel the library lacks, and the compute
    // layer's own error when the library or the kernel cannot be loaded.
    std::shared_ptr<platform::compute::ComputePipelineState>
    pipelineState(const FunctionDescriptor& descriptor);

    // What has been compiled and loaded so far, in order.
    std::vector<
        std::pair<FunctionDescriptor, std::shared_ptr<platform::compute::ComputePipelineState>>>
    pipelineStates() const;
    QHash<const platform::Bundle*, std::shared_ptr<platform::compute::Library>>
    librariesForBundle() const;

private:
    // Called with the lock held.
    std::shared_ptr<platform::compute::Library> library(const platform::Bundle* bundle);

    std::shared_ptr<platform::compute::Device> m_device;
    std::shared_ptr<platform::compute::CommandQueue> m_commandQueue;
    std::vector<
        std::pair<FunctionDescriptor, std::shared_ptr<platform::compute::ComputePipelineState>>>
        m_pipelineStates;
    QHash<const platform::Bundle*, std::shared_ptr<platform::compute::Library>>
        m_librariesForBundle;
    mutable std::mutex m_pipelineStateLock;
};

size_t qHash(const SildorContext::FunctionDescriptor& descriptor, size_t seed = 0);

} // namespace sildor
