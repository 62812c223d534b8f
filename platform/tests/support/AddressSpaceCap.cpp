#include "AddressSpaceCap.h"

#include "ProcessMemory.h"

AddressSpaceCap::AddressSpaceCap(qint64 room) {
#ifndef LUNVIK_SANITIZED_BUILD
    const qint64 inUse = ProcessMemory::addressSpaceInUse();
    if (inUse <= 0 || getrlimit(RLIMIT_AS, &m_old) != 0) {
        return;
    }
    rlimit capped = m_old;
    capped.rlim_cur = rlim_t(inUse + room);
    m_set = setrlimit(RLIMIT_AS, &capped) == 0;
#else
    Q_UNUSED(room);
#endif
}

AddressSpaceCap::~AddressSpaceCap() {
    if (m_set) {
        setrlimit(RLIMIT_AS, &m_old);
    }
}
