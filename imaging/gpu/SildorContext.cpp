#include "imaging/gpu/SildorContext.h"

#include "platform/Bundle.h"

#include <QHashFunctions>

namespace sildor {

using namespace platform::compute;

const QString SildorContext::InitializationError::domain =
    QStringLiteral("SildorImage.SildorContext.InitializationError");
const QString SildorContext::FuncionError::domain =
    QStringLiteral("SildorImage.SildorContext.FuncionError");

SildorContext::InitializationError::InitializationError(Case c)
    : platform::Error(domain, qint64(c)), m_case(c) {}

std::shared_ptr<const platform::Error> SildorContext::InitializationError::clone() const {
    return std::make_shared<InitializationError>(*this);
}

void SildorContext::InitializationError::raise() const {
    throw *this;
}

SildorContext::FuncionError::FuncionError(QString name)
    : platform::Error(
          domain, 0,
          UserInfo{QStringLiteral("The compute kernel \u201c%1\u201d is missing.").arg(name),
                   std::nullopt,
                   nullptr,
                   {}}),
      m_name(std::move(name)) {}

SildorContext::FuncionError SildorContext::FuncionError::noFunction(const QString& name) {
    return FuncionError(name);
}

std::shared_ptr<const platform::Error> SildorContext::FuncionError::clone() const {
    return std::make_shared<FuncionError>(*this);
}

void SildorContext::FuncionError::raise() const {
    throw *this;
}

SildorContext::SildorContext() {
    m_device = Device::systemDefault();
    if (!m_device) {
        throw InitializationError(InitializationError::Case::noDevice);
    }
    m_commandQueue = m_device->newCommandQueue();
    if (!m_commandQueue) {
        m_device.reset();
        throw InitializationError(InitializationError::Case::noCommandQueue);
    }
}

std::shared_ptr<ComputePipelineState>
SildorContext::pipelineState(const FunctionDescriptor& descriptor) {
    std::lock_guard lock(m_pipelineStateLock);
    for (const auto& [known, state] : m_pipelineStates) {
        if (known == descriptor) {
            return state;
        }
    }
    const auto lib = library(descriptor.bundle);
    const auto function = lib->newFunction(descriptor.name);
    if (!function) {
        throw FuncionError::noFunction(descriptor.name);
    }
    auto state = m_device->newComputePipelineState(*function);
    m_pipelineStates.emplace_back(descriptor, state);
    return state;
}

std::shared_ptr<Library> SildorContext::library(const platform::Bundle* bundle) {
    if (const auto it = m_librariesForBundle.constFind(bundle);
        it != m_librariesForBundle.constEnd()) {
        return *it;
    }
    auto lib = m_device->newDefaultLibrary(bundle);
    m_librariesForBundle.insert(bundle, lib);
    return lib;
}

std::vector<std::pair<SildorContext::FunctionDescriptor, std::shared_ptr<ComputePipelineState>>>
SildorContext::pipelineStates() const {
    std::lock_guard lock(m_pipelineStateLock);
    return m_pipelineStates;
}

QHash<const platform::Bundle*, std::shared_ptr<Library>> SildorContext::librariesForBundle() const {
    std::lock_guard lock(m_pipelineStateLock);
    return m_librariesForBundle;
}

size_t qHash(const SildorContext::FunctionDescriptor& descriptor, size_t seed) {
    return qHashMulti(seed, descriptor.bundle, descriptor.name);
}

} // namespace sildor
