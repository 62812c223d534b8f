#pragma once

namespace platform::compute {

// Lets tests make the failures a real machine rarely shows: no device, no
// queue, no command buffer or encoder, no memory for a texture. Every switch
// is off unless a test turns it on.
class ComputeTestHooks {
public:
    enum class Fault {
        noDevice,
        noCommandQueue,
        noCommandBuffer,
        noComputeEncoder,
        noBlitEncoder,
        noTexture,
    };

    static void setFault(Fault fault, bool on);
    static bool hasFault(Fault fault);
    static void clearAll();

    // Turns one fault on for the life of the object.
    class Scope {
    public:
        explicit Scope(Fault fault) : m_fault(fault) { setFault(fault, true); }
        ~Scope() { setFault(m_fault, false); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Fault m_fault;
    };
};

} // namespace platform::compute
