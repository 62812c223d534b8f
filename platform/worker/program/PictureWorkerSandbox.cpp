#include "platform/worker/program/PictureWorkerSandbox.h"

#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/program/PictureWorkerFilter.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace platform {

namespace {

constexpr rlim_t mebibyte = rlim_t(1) << 20;

bool fail(const char* what) {
    std::fprintf(stderr, "lunvik-picture-worker: cannot confine itself: %s: %s\n", what,
                 std::strerror(errno));
    return false;
}

// Lowers both limits to `ceiling` where they are higher.
bool capHard(int resource, rlim_t ceiling) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0) {
        return false;
    }
    limit.rlim_max = std::min(limit.rlim_max, ceiling);
    limit.rlim_cur = std::min(limit.rlim_cur, limit.rlim_max);
    return setrlimit(resource, &limit) == 0;
}

bool setSoft(int resource, rlim_t value) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0) {
        return false;
    }
    limit.rlim_cur = std::min(value, limit.rlim_max);
    return setrlimit(resource, &limit) == 0;
}

// A worker run by root keeps no capability, so that it cannot raise its
// hard limits or pass the permissions of files.
bool dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    return syscall(SYS_capset, &header, data) == 0;
}

// Bytes of address space the process holds, from /proc/self/statm; what
// the kernel counts against RLIMIT_AS.
std::uint64_t addressSpaceInUse() {
    char text[64] = {};
    const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    const ssize_t length = read(fd, text, sizeof(text) - 1);
    ::close(fd);
    if (length <= 0) {
        return 0;
    }
    return std::strtoull(text, nullptr, 10) * std::uint64_t(sysconf(_SC_PAGESIZE));
}

int errorOf(int result) {
    return result < 0 ? errno : 0;
}

} // namespace

void PictureWorkerSandbox::closeOtherFiles(int keep) {
    for (int fd = STDERR_FILENO + 1; fd < keep; ++fd) {
        ::close(fd);
    }
    close_range(unsigned(keep) + 1, ~0u, 0);
}

bool PictureWorkerSandbox::enter(int channelFd) {
    // A worker whose program has gone ends, even in the middle of a
    // drawing: the program is no longer there to kill it.
    std::thread([channelFd] {
        pollfd watched{channelFd, 0, 0};
        while (poll(&watched, 1, -1) < 0 && errno == EINTR) {
        }
        _exit(0);
    }).detach();
    // Its threads share two heaps rather than reserving one each.
    mallopt(M_ARENA_MAX, 2);
    if (!capHard(RLIMIT_CORE, 0) || prctl(PR_SET_DUMPABLE, 0) != 0) {
        return fail("core dumps");
    }
    if (!setSoft(RLIMIT_STACK, 8 * mebibyte)) {
        return fail("stack");
    }
#ifndef LUNVIK_SANITIZED_BUILD
    // The sanitizers reserve terabytes of address space of their own.
    if (!capHard(RLIMIT_AS, PictureWorkerLimits::addressSpaceCeiling())) {
        return fail("address space");
    }
#endif
    if (!capHard(RLIMIT_CPU, PictureWorkerLimits::processorSecondsCeiling) ||
        !capHard(RLIMIT_NOFILE, 256) || !capHard(RLIMIT_MEMLOCK, 0)) {
        return fail("limits");
    }
    if (geteuid() == 0 && !dropCapabilities()) {
        return fail("capabilities");
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return fail("new privileges");
    }
    if (!PictureWorkerFilter::install()) {
        errno = EINVAL;
        return fail("system call filter");
    }
    return true;
}

void PictureWorkerSandbox::limitRequest(std::uint64_t addressSpaceGrowth,
                                        std::uint64_t processorSeconds) {
#ifndef LUNVIK_SANITIZED_BUILD
    setSoft(RLIMIT_AS, rlim_t(addressSpaceInUse() + addressSpaceGrowth));
#else
    (void)addressSpaceGrowth;
#endif
    setSoft(RLIMIT_CPU,
            rlim_t(PictureWorkerSandbox::processorSeconds()) + 1 + rlim_t(processorSeconds));
}

double PictureWorkerSandbox::processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

PictureWorkerProtocol::ProbeResults PictureWorkerSandbox::probe() {
    PictureWorkerProtocol::ProbeResults results{};
    int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    results.openForReading = errorOf(fd);
    if (fd >= 0) {
        ::close(fd);
    }
    fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    results.openForWriting = errorOf(fd);
    if (fd >= 0) {
        ::close(fd);
    }
    const std::string path = "/tmp/lunvik-worker-probe." + std::to_string(getpid());
    fd = open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    results.createFile = errorOf(fd);
    if (fd >= 0) {
        ::close(fd);
    }
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    results.openSocket = errorOf(fd);
    if (fd >= 0) {
        ::close(fd);
    }
    char program[] = "/bin/true";
    char* argv[] = {program, nullptr};
    results.execute = errorOf(execve(program, argv, environ));
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    results.addressSpaceLimit = limit.rlim_max;
    const std::size_t beyond = limit.rlim_max == RLIM_INFINITY
                                   ? std::size_t(1) << 46
                                   : std::size_t(limit.rlim_max) + (std::size_t(1) << 30);
    void* mapped = mmap(nullptr, beyond, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    results.mapBeyondLimit = mapped == MAP_FAILED ? errno : 0;
    if (mapped != MAP_FAILED) {
        munmap(mapped, beyond);
    }
    getrlimit(RLIMIT_CPU, &limit);
    results.cpuLimit = limit.rlim_max;
    return results;
}

} // namespace platform
