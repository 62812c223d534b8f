#pragma once

#include "imaging/gpu/SildorImage.h"
#include "imaging/gpu/SildorImageBuiltinFilter.h"
#include "imaging/print/BlackExpansionFilter.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "imaging/print/MyFilter.h"
#include "model/pictures/BlackConversion.h"
#include "model/units/Dpi.h"
#include "model/units/Size_px.h"

#include <QPointF>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace quenta {

// Applying a black conversion of the device model to an 8-bit gray picture
// on the compute device: the user's settings, the model's information and the
// picture's purpose become one chain of kernels run as one pass.
struct BlackConversionPass {
    struct OutputConfiguration {
        enum class Purpose {
            output,  // the picture is printed
            preview, // the picture is shown on screen
        };

        Purpose purpose = Purpose::output;
        // Resolution of the gray picture.
        ambrel::Dpi dpi;
        std::optional<DeviceBlackConversionInfo> deviceAdditionalInfo;
        // Quarter turns added to the halftone screen's angle.
        qint64 filterRotationCount = 0;
        // Offset of the halftone screen, in pixels of the picture.
        QPointF filterOffset;
        // Pixels of the picture along one device dot. The expansion of a
        // threshold grows by whole dots, so a picture coarser than the dots
        // (0) cannot show it.
        qint64 pixelsPerDeviceDot = 1;
    };

    using Filter = std::variant<sildor::SildorImageBuiltinFilter, MyFilter, BlackExpansionFilter>;

    // The kernels the conversion runs, in order.
    static std::vector<Filter> filters(const ambrel::BlackConversion& conversion,
                                       const OutputConfiguration& configuration);

    // Converts the image's picture; on return the result is its textureA.
    // Throws what the image's filter pass throws, with the picture unchanged.
    static void apply(const ambrel::BlackConversion& conversion, sildor::SildorImage& image,
                      const OutputConfiguration& configuration);

    // Converts width x height packed gray bytes in place. For a preview a
    // conversion that cannot run leaves the bytes as they are and reports
    // nothing. For the output it throws instead, with the bytes untouched, so
    // an unconverted picture is never printed.
    static void apply(const ambrel::BlackConversion& conversion, std::uint8_t* gray8Pixels,
                      const ambrel::Size_px& size_px, const OutputConfiguration& configuration);
};

} // namespace quenta
