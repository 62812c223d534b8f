#pragma once

struct libusb_context;

namespace platform {

// One libusb context, shared by the host and every device found through it so
// that it outlives them all.
class LibusbSession {
public:
    LibusbSession();
    ~LibusbSession();

    // Nothing when libusb could not start (no USB file system, for instance).
    libusb_context* context() const { return m_context; }

    LibusbSession(const LibusbSession&) = delete;
    LibusbSession& operator=(const LibusbSession&) = delete;

private:
    libusb_context* m_context = nullptr;
};

} // namespace platform
