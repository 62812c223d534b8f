#pragma once

// Caps the test process's address space at what it uses now and `room`
// bytes more, while it lives; the limit before comes back when it goes.
// Under the sanitizers, which reserve terabytes of address space for
// themselves, it caps nothing.

#include <QtGlobal>

#include <sys/resource.h>

class AddressSpaceCap {
public:
    explicit AddressSpaceCap(qint64 room);
    ~AddressSpaceCap();
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

    // Whether the cap holds.
    bool isSet() const { return m_set; }

private:
    rlimit m_old{};
    bool m_set = false;
};
