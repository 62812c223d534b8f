#include "app/simulator/program/StopSignals.h"

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace lunvik {

namespace {

sigset_t stopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

StopSignals::StopSignals() {
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    m_descriptor = signalfd(-1, &signals, SFD_CLOEXEC);
    if (m_descriptor < 0) {
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    }
}

// The signals stay blocked: one that came is the program's reason to end,
// not to be killed while it cleans up.
StopSignals::~StopSignals() {
    if (m_descriptor >= 0) {
        close(m_descriptor);
    }
}

} // namespace lunvik
