#pragma once

namespace platform {

// The system calls a picture worker may make once it is confined, as a
// seccomp filter (libseccomp): what reading documents, drawing them and
// answering over its inherited socket take, and nothing else. Every other
// call fails with EPERM: no new socket (so no network and no other local
// service), no program run, no file opened for writing or created, no
// signal to another process, no tracing, no change of its own limits
// beyond the hard ones.
class PictureWorkerFilter {
public:
    // Loads the filter into this process (all its threads, and whatever
    // they start); false when it could not be made or loaded. The process
    // must have no new privileges first.
    static bool install();
};

} // namespace platform
