#pragma once

#include "model/columns/BlackWhiteColumnsSendingOption.h"
#include "model/units/Size_px.h"

#include <QImage>

#include <cstdint>
#include <memory>

namespace fennick {
class DeviceCommunicationContext;
}
namespace platform {
class Progress;
}

namespace ambrel {

class BlackWhiteColumnPacker;

// What a connection to a line-head device offers once it adopts this: the
// one-bit column stream of a black-and-white picture and the in-place
// black-and-white conversion of gray bitmaps. Only DeviceConnection
// subclasses adopt it: their descriptor gives the head's dot count.
class BlackWhiteSendable {
public:
    virtual ~BlackWhiteSendable();

    // Sends the picture as dot columns of the connection's head (see
    // sendGrayColumns). A picture too large to convert fails before anything
    // is sent.
    void sendColumns(const QImage& picture, const std::shared_ptr<platform::Progress>& progress,
                     BlackWhiteColumnsSendingOptions option, qint64 maxBufferCount,
                     fennick::DeviceCommunicationContext& context) const;

    // Sends gray pixels (rows of exactly size.width bytes) as the columns of
    // a head of headDotCount dots (a positive multiple of 8), over the context
    // in pieces of at most maxBufferCount bytes (at least 1): every piece but
    // the job's last holds exactly maxBufferCount bytes and may end inside a
    // column. Every 20th column, and the last once all is sent, the completed
    // unit count (the column number, from 1) is posted to the main thread. A
    // failing send is passed on unchanged; what was sent before stays sent.
    static void sendGrayColumns(const std::uint8_t* pixels, Size_px size, int headDotCount,
                                const std::shared_ptr<platform::Progress>& progress,
                                BlackWhiteColumnsSendingOptions option, qint64 maxBufferCount,
                                fennick::DeviceCommunicationContext& context);

    // The same for the columns a packer makes (see BlackWhiteColumnPacker).
    static void sendPackedColumns(const BlackWhiteColumnPacker& packer,
                                  const std::shared_ptr<platform::Progress>& progress,
                                  qint64 maxBufferCount,
                                  fennick::DeviceCommunicationContext& context);

    // Rewrites width x height gray bytes to 0 and 255. At level 0 a pixel
    // above the threshold turns white, any other black. A positive level
    // grows the black areas (each pixel below the threshold paints black
    // around it on a white field), a negative one grows the white areas (each
    // pixel at or above the threshold paints white on a black field); the
    // level's magnitude 1 to 5 sets how far. Beyond 5 only the field remains.
    static void convert8bitGrayBitmapToBW(std::uint8_t* bitmapBuffer, Size_px size,
                                          std::uint8_t blackConversionThreshold_255,
                                          int blackExpansionLevel);
};

} // namespace ambrel
