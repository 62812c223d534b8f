// Preloaded beside the USB device emulation: a node of the emulated device
// whose permissions let nobody open it is refused to root too, as the kernel
// refuses a node to a user outside its group. A test run as root could not
// otherwise play a device this user may not open.

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool refused(const char* path) {
    static const char prefix[] = "/dev/bus/usb/";
    if (!path || std::strncmp(path, prefix, sizeof prefix - 1) != 0 || geteuid() != 0) {
        return false;
    }
    const char* bed = std::getenv("UMOCKDEV_DIR");
    if (!bed) {
        return false;
    }
    struct stat status {};
    const std::string file = std::string(bed) + path;
    return ::stat(file.c_str(), &status) == 0 && (status.st_mode & 0777) == 0;
}

mode_t modeArgument(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(arguments, int)) : 0;
}

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Opens through the C library's own entry unless the node is refused.
template <typename Function, typename... Mode>
int openUnlessRefused(Function real, const char* path, int flags, Mode... mode) {
    if (refused(path)) {
        errno = EACCES;
        return -1;
    }
    return real(path, flags, mode...);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return openUnlessRefused(real, path, flags, mode);
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = next<int (*)(const char*, int, ...)>("open64");
    return openUnlessRefused(real, path, flags, mode);
}

__attribute__((visibility("default"))) int __open_2(const char* path, int flags) {
    static const auto real = next<int (*)(const char*, int)>("__open_2");
    return openUnlessRefused(real, path, flags);
}

__attribute__((visibility("default"))) int __open64_2(const char* path, int flags) {
    static const auto real = next<int (*)(const char*, int)>("__open64_2");
    return openUnlessRefused(real, path, flags);
}

} // extern "C"
