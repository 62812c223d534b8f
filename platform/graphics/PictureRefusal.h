#pragma once

namespace platform {

// Why bytes did not become a picture.
enum class PictureRefusal {
    // No decoder takes them, or they are damaged.
    noPicture,
    // The picture declares more pixels, or would take more memory, than the
    // system decodes or draws (ImageLimits).
    tooLarge,
    // The memory for its pixels could not be had.
    outOfMemory,
    // The worker process that read or drew it crashed, was killed by its
    // limits or missed its deadline (PictureWorkerClient).
    cannotBeDrawn,
};

} // namespace platform
