#pragma once

#include <cstdint>

namespace platform {

// The messages between the program and its picture workers (the program
// lunvik-picture-worker), one request and its answer at a time. Both sides
// come from the same build, so a message is its struct's bytes; the
// program checks every answer as it would outside bytes, since the worker
// runs the libraries that read untrusted documents.
//
// A document's bytes travel once, as a sealed shared memory file with the
// `open` request that first names the document to a worker; pixels come
// back in shared memory the program gives with the request.
struct PictureWorkerProtocol {
    // The descriptor the worker finds its end of the socket pair on.
    static constexpr int channelFd = 3;

    enum class Kind : std::uint32_t {
        // + the document's memory: loads it and its first page.
        open = 1,
        // Forgets a document; not answered.
        close,
        // + memory for the pixels: draws a part of the first page.
        render,
        // + the document's memory: whether libheif reads the bytes.
        heifProbe,
        // + the document's memory: decodes the primary image, answers its
        // layout, then waits for heifPixels.
        heifDecode,
        // + memory for the pixels the last heifDecode answered.
        heifPixels,
        // Tries what the worker's confinement forbids and tells what
        // happened; answered only where the worker's test faults are on.
        sandboxProbe,
        answer,
    };

    enum class Status : std::uint32_t {
        ok,
        // Not a document (or picture) the library reads, a document that
        // needs a password, or one without pages.
        noPicture,
        tooLarge,
        outOfMemory,
        // The library drew nothing.
        failed,
        // A request the worker does not take (a document it was never given,
        // pixels that do not fit their memory).
        refused,
    };

    struct Header {
        Kind kind;
        std::uint32_t sequence;
    };

    struct Box {
        double x, y, width, height;
    };

    struct Open {
        Header header;
        std::uint64_t document;
        std::uint64_t bytes;
        // Draws the page small once, so that a document the library cannot
        // draw is told apart when it is opened.
        std::uint32_t drawsTrial;
    };

    struct Close {
        Header header;
        std::uint64_t document;
    };

    struct Render {
        Header header;
        std::uint64_t document;
        double xResolution, yResolution;
        // The pixels of the crop box rendered at the resolutions.
        std::int32_t x, y, width, height;
        std::uint32_t gray, smoothed, quarterTurnsBack;
        std::uint64_t bufferBytes;
    };

    struct HeifProbe {
        Header header;
        std::uint64_t bytes;
    };

    struct HeifPixels {
        Header header;
        std::uint64_t bufferBytes;
    };

    struct SandboxProbe {
        Header header;
    };

    // What the sandbox probe tried: 0 where the call succeeded, else its
    // error number.
    struct ProbeResults {
        std::int32_t openForReading, openForWriting, createFile, openSocket, execute,
            mapBeyondLimit;
        std::uint64_t addressSpaceLimit, cpuLimit;
    };

    struct Answer {
        Header header;
        Status status;
        std::int32_t rotation;
        Box cropBox, trimBox;
        // The pixels: their size, row length and QImage format.
        std::int32_t width, height;
        std::int64_t bytesPerLine;
        std::uint32_t format;
        // The processor time the worker has taken so far.
        double cpuSeconds;
        ProbeResults probe;
    };

    // The largest request, for the worker's buffer.
    static constexpr unsigned long maximumRequestSize = sizeof(Render) > sizeof(Open)
                                                            ? sizeof(Render)
                                                            : sizeof(Open);
};

} // namespace platform
