// The picture worker: reads and draws untrusted documents (PDF and
// Illustrator pages, HEIC pictures) for the program, confined, on one end
// of a socket pair the program gives it as descriptor 3. It loads the
// picture decoders' module beside it, then confines itself before it reads
// a request; it ends when the program closes its end.

#include "platform/ModuleLoader.h"
#include "platform/graphics/PictureCodecs.h"
#include "platform/worker/PictureWorkerProtocol.h"
#include "platform/worker/WorkerChannel.h"
#include "platform/worker/program/PictureWorkerSandbox.h"
#include "platform/worker/program/PictureWorkerServer.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr int channelFd = platform::PictureWorkerProtocol::channelFd;

} // namespace

#ifdef LUNVIK_SANITIZED_BUILD
// A fault of the libraries ends the worker by its signal, as in a user's
// build, where the program tells it from the worker's own end; the
// sanitizers still report the faults of the worker's own code.
extern "C" const char* __asan_default_options() {
    return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0";
}
#endif

int main() {
    if (fcntl(channelFd, F_GETFD) < 0) {
        std::fprintf(stderr, "lunvik-picture-worker: the program starts it; it is not for use "
                             "on its own\n");
        return 2;
    }
    fcntl(channelFd, F_SETFD, FD_CLOEXEC);
    platform::PictureWorkerSandbox::closeOtherFiles(channelFd);
    const auto entry = reinterpret_cast<LunvikPictureCodecsEntry>(platform::ModuleLoader::entry(
        platform::PictureCodecs::moduleFileName(), platform::PictureCodecs::entryName));
    const platform::PictureCodecs* codecs = entry ? entry() : nullptr;
    if (!codecs) {
        _exit(3);
    }
    codecs->prepare();
    platform::PictureWorkerTestFaults::readSetting();
    if (!platform::PictureWorkerSandbox::enter(channelFd)) {
        _exit(4);
    }
    platform::PictureWorkerServer(*codecs, platform::WorkerChannel(channelFd)).serve();
    // Nothing is left to tidy: the process's end frees everything, and no
    // exit handler runs under the filter.
    _exit(0);
}
