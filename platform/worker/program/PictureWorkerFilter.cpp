#include "platform/worker/program/PictureWorkerFilter.h"

#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace platform {

namespace {

struct FilterDeleter {
    void operator()(scmp_filter_ctx* context) const {
        seccomp_release(*context);
        delete context;
    }
};

// Opening for reading only: no writing, creating, truncating, appending or
// unnamed temporary file (O_TMPFILE is its own bit with O_DIRECTORY's, and
// directories are opened for reading).
constexpr scmp_datum_t writingFlags =
    O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND | (O_TMPFILE & ~O_DIRECTORY);

} // namespace

bool PictureWorkerFilter::install() {
    scmp_filter_ctx context = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!context) {
        return false;
    }
    std::unique_ptr<scmp_filter_ctx, FilterDeleter> owned(new scmp_filter_ctx(context));
    // Every thread the process has already started is held to it too.
    bool complete = seccomp_attr_set(context, SCMP_FLTATR_CTL_TSYNC, 1) == 0;
    auto allow = [&](int call) {
        // A call this architecture lacks (a negative pseudo number) is no
        // gap: nothing can make it.
        if (call >= 0 && seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 0) != 0) {
            complete = false;
        }
    };
    auto allowIf = [&](int call, scmp_arg_cmp condition) {
        if (call >= 0 && seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1, condition) != 0) {
            complete = false;
        }
    };

    // Memory: the libraries allocate, map their documents and the shared
    // pixels, and mark their stacks' guard pages.
    for (const int call : {SCMP_SYS(brk), SCMP_SYS(mmap), SCMP_SYS(munmap), SCMP_SYS(mremap),
                           SCMP_SYS(mprotect), SCMP_SYS(madvise)}) {
        allow(call);
    }
    // Threads (libheif decodes on several) and their synchronisation: a
    // clone only of a thread of this process, never a new process. clone3
    // takes its flags in memory a filter cannot read: it says it does not
    // exist, and the C library falls back on clone.
    allowIf(SCMP_SYS(clone), SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
    if (seccomp_rule_add(context, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) != 0) {
        complete = false;
    }
    for (const int call :
         {SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq), SCMP_SYS(set_tid_address),
          SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity), SCMP_SYS(exit), SCMP_SYS(exit_group),
          SCMP_SYS(restart_syscall)}) {
        allow(call);
    }
    // Signals, and raising one at itself (abort) but at no other process.
    for (const int call : {SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
                           SCMP_SYS(sigaltstack)}) {
        allow(call);
    }
    const auto self = scmp_datum_t(getpid());
    allowIf(SCMP_SYS(tgkill), SCMP_A0(SCMP_CMP_EQ, self));
    allowIf(SCMP_SYS(kill), SCMP_A0(SCMP_CMP_EQ, self));
    // Time, identity and the system's description, which the C library and
    // the libraries read.
    for (const int call :
         {SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(gettimeofday),
          SCMP_SYS(time),          SCMP_SYS(nanosleep),    SCMP_SYS(clock_nanosleep),
          SCMP_SYS(getpid),        SCMP_SYS(gettid),       SCMP_SYS(getppid),
          SCMP_SYS(getuid),        SCMP_SYS(geteuid),      SCMP_SYS(getgid),
          SCMP_SYS(getegid),       SCMP_SYS(getresuid),    SCMP_SYS(getresgid),
          SCMP_SYS(uname),         SCMP_SYS(sysinfo),      SCMP_SYS(getrandom),
          SCMP_SYS(getrusage),     SCMP_SYS(umask)}) {
        allow(call);
    }
    // Its own limits: read, and lowered or raised within the hard limits
    // (which nothing here can raise) for each request; no other process's.
    allow(SCMP_SYS(getrlimit));
    allow(SCMP_SYS(setrlimit));
    allowIf(SCMP_SYS(prlimit64), SCMP_A0(SCMP_CMP_EQ, 0));
    // A thread's name, which the libraries may set.
    allowIf(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME));
    allowIf(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_GET_NAME));
    // Files, read only: fonts, the font configuration and its caches,
    // colour profiles, the libraries' own data.
    allowIf(SCMP_SYS(openat), SCMP_A2(SCMP_CMP_MASKED_EQ, writingFlags, 0));
    allowIf(SCMP_SYS(open), SCMP_A1(SCMP_CMP_MASKED_EQ, writingFlags, 0));
    for (const int call :
         {SCMP_SYS(read),      SCMP_SYS(readv),      SCMP_SYS(pread64),    SCMP_SYS(preadv),
          SCMP_SYS(lseek),     SCMP_SYS(close),      SCMP_SYS(fstat),      SCMP_SYS(stat),
          SCMP_SYS(lstat),     SCMP_SYS(newfstatat), SCMP_SYS(statx),      SCMP_SYS(fstatfs),
          SCMP_SYS(statfs),    SCMP_SYS(access),     SCMP_SYS(faccessat),  SCMP_SYS(faccessat2),
          SCMP_SYS(readlink),  SCMP_SYS(readlinkat), SCMP_SYS(getdents64), SCMP_SYS(getcwd),
          SCMP_SYS(fadvise64), SCMP_SYS(flock),      SCMP_SYS(fcntl),      SCMP_SYS(dup),
          SCMP_SYS(dup2),      SCMP_SYS(dup3)}) {
        allow(call);
    }
    // Whether standard error is a terminal; no other control of a device
    // (a terminal's input could be faked through it).
    allowIf(SCMP_SYS(ioctl), SCMP_A1(SCMP_CMP_EQ, TCGETS));
    // Writing where it was given descriptors to write: standard error
    // and its socket, on which it answers and receives descriptors; no
    // socket of its own, no address to send to.
    for (const int call : {SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(sendmsg), SCMP_SYS(recvmsg),
                           SCMP_SYS(recvfrom), SCMP_SYS(poll), SCMP_SYS(ppoll)}) {
        allow(call);
    }
    allowIf(SCMP_SYS(sendto), SCMP_A4(SCMP_CMP_EQ, 0));
    // A pipe joins the process to itself and reaches nothing outside it (the
    // sanitizers tell readable memory by writing it into one).
    allow(SCMP_SYS(pipe));
    allow(SCMP_SYS(pipe2));

    return complete && seccomp_load(context) == 0;
}

} // namespace platform
