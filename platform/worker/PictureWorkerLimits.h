#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// What bounds a picture worker: each request's deadline (the program kills
// a worker that misses it), the address space and processor time the
// kernel grants it, and how many workers there are.
//
// The deadlines leave room for the largest real work on a slow machine: an
// A4 page at 600 dpi, each band of a large canvas's print, a HEIC picture
// of 100 MB; a document that takes longer costs a refusal, not the program.
class PictureWorkerLimits {
public:
    enum class Request {
        // Loading a document and drawing its page once, small.
        open,
        // Drawing a part of a page at a resolution.
        render,
        // Decoding a HEIC picture's primary image.
        decode,
        // Anything small: telling a HEIC file, the test probe.
        probe,
    };

    // Tests shorten every deadline to this many milliseconds; a value that
    // would lengthen one is ignored.
    static constexpr const char* deadlineVariable = "LUNVIK_TEST_PICTURE_DEADLINE_MS";
    // Set to 1, the workers act on the test markers in documents (a crash,
    // a stall, a slow drawing) and answer the sandbox probe. A user never
    // sets it.
    static constexpr const char* testFaultsVariable = "LUNVIK_TEST_PICTURE_WORKER_FAULTS";
    static bool testFaultsEnabled();

    static std::chrono::milliseconds deadline(Request request);

    // The address space a request may add to what the worker holds
    // already, for drawing pixels of this many bytes from a document of this
    // many: what the library builds of the page (its content, the images
    // inside it), the document's mapping when the request opens it, and
    // three copies of the pixels (the library's bitmap, its copy of it, the
    // shared memory).
    static std::uint64_t addressSpaceGrowthForRender(std::uint64_t pixelBytes,
                                                     std::uint64_t documentBytes);
    // The most address space a worker is ever granted: its libraries and a
    // decode of the largest picture the limits admit, with its planes and
    // its copy.
    static std::uint64_t addressSpaceCeiling();
    // Processor seconds a request may take: its deadline on each of the
    // threads it may run.
    static std::uint64_t processorSecondsFor(Request request, unsigned threads);
    // Processor seconds a worker may take in its whole life; past the half
    // of it, it is replaced once it is idle.
    static constexpr std::uint64_t processorSecondsCeiling = 7200;

    // Workers drawing at once: one for each compute thread, at least two.
    static unsigned maximumWorkers();
    // An idle worker beyond the first ends after this long.
    static constexpr std::chrono::seconds idleLifetime{60};
};

} // namespace platform
