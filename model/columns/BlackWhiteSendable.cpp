#include "model/columns/BlackWhiteSendable.h"

#include "model/columns/BlackWhiteColumnPacker.h"
#include "model/columns/PackedColumnMemory.h"
#include "model/columns/PackedColumnsAhead.h"
#include "model/connections/DeviceConnection.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/LocalizableError.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/compute/Device.h"
#include "transport/model/DeviceCommunicationContext.h"
#include "transport/model/PipeError.h"

#include <QByteArray>
#include <QScopeGuard>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace ambrel {

namespace {

constexpr qint64 progressEvery = 20;

void postCompletedUnits(const std::shared_ptr<platform::Progress>& progress, qint64 count) {
    if (!progress) {
        return;
    }
    // The posted work holds the progress, so an update that runs after the
    // run has ended never touches a released object.
    platform::MainThread::post([progress, count] { progress->setCompletedUnitCount(count); });
}

} // namespace

BlackWhiteSendable::~BlackWhiteSendable() = default;

void BlackWhiteSendable::sendColumns(const QImage& picture,
                                     const std::shared_ptr<platform::Progress>& progress,
                                     BlackWhiteColumnsSendingOptions option, qint64 maxBufferCount,
                                     fennick::DeviceCommunicationContext& context) const {
    const auto* connection = dynamic_cast<const DeviceConnection*>(this);
    if (!connection || !connection->deviceDescriptor()) {
        platform::Log::fatal(QStringLiteral("column sender without a device connection"));
    }
    const qint64 headDotCount = connection->deviceDescriptor()->headDotCount();
    if (headDotCount <= 0 || headDotCount % 8 != 0 || headDotCount > INT_MAX) {
        platform::Log::fatal(QStringLiteral("model %1: head dot count %2 is not a positive "
                                            "multiple of 8")
                                 .arg(connection->deviceDescriptor()->modelName())
                                 .arg(headDotCount));
    }
    const Size_px size{picture.width(), picture.height()};
    const QByteArray pixels = GraphicsExtensions::grayConvertedPixels(picture);
    if (pixels.size() != size.width * size.height) {
        // Sending a blank or partial picture would waste a screen.
        throw LocalizableError::deviceError(QStringLiteral("picture"), 1,
                                            QStringLiteral("notConverted"),
                                            LocalizedStringTable::ambrel());
    }
    sendGrayColumns(reinterpret_cast<const std::uint8_t*>(pixels.constData()), size,
                    int(headDotCount), progress, option, maxBufferCount, context);
}

void BlackWhiteSendable::sendGrayColumns(const std::uint8_t* pixels, Size_px size, int headDotCount,
                                         const std::shared_ptr<platform::Progress>& progress,
                                         BlackWhiteColumnsSendingOptions option,
                                         qint64 maxBufferCount,
                                         fennick::DeviceCommunicationContext& context) {
    sendPackedColumns(BlackWhiteColumnPacker(pixels, size, headDotCount, option), progress,
                      maxBufferCount, context);
}

void BlackWhiteSendable::sendPackedColumns(const BlackWhiteColumnPacker& packer,
                                           const std::shared_ptr<platform::Progress>& progress,
                                           qint64 maxBufferCount,
                                           fennick::DeviceCommunicationContext& context) {
    if (maxBufferCount < 1) {
        platform::Log::fatal(QStringLiteral("column send buffer of %1 bytes").arg(maxBufferCount));
    }
    const qint64 width = packer.width();
    const qint64 columnBytes = packer.bytesPerColumn();

    // The job is packed in send order on the compute workers, an eighth of
    // the picture's bytes, and sent from where it was packed as soon as each
    // piece is ready.
    const auto device = platform::compute::Device::systemDefault();
    std::size_t capacity = 0;
    PackedColumnMemory::Bytes packed =
        PackedColumnMemory::take(std::size_t(width * columnBytes), capacity);
    // Kept for the next job however this one ends, once no worker packs into it.
    const auto keep = qScopeGuard([&] { PackedColumnMemory::give(std::move(packed), capacity); });
    PackedColumnsAhead ahead(packer, packed.get(), device ? &device->threadPool() : nullptr);

    qint64 sent = 0;
    for (qint64 c = 0; c < width; ++c) {
        const qint64 ready = (c + 1) * columnBytes;
        const bool isLast = c == width - 1;
        try {
            // Full pieces as soon as they are ready; the rest at the end.
            while (ready - sent >= maxBufferCount || (isLast && ready > sent)) {
                const qint64 count = std::min(ready - sent, maxBufferCount);
                ahead.waitFor((sent + count + columnBytes - 1) / columnBytes);
                context.send(QByteArray(reinterpret_cast<const char*>(packed.get() + sent),
                                        qsizetype(count)));
                sent += count;
            }
        } catch (const std::bad_alloc&) {
            platform::Log::line(QStringLiteral("no memory for column %1/%2").arg(c + 1).arg(width));
            // Columns may have gone out already: the job ends as a failed send ends it.
            fennick::MakeNSErrorWithIOReturn(platform::UsbResult::noMemory)->raise();
        } catch (...) {
            platform::Log::line(QStringLiteral("error sending column %1/%2").arg(c + 1).arg(width));
            throw;
        }
        if (isLast || c % progressEvery == 0) {
            postCompletedUnits(progress, c + 1);
        }
    }
}

void BlackWhiteSendable::convert8bitGrayBitmapToBW(std::uint8_t* bitmapBuffer, Size_px size,
                                                   std::uint8_t blackConversionThreshold_255,
                                                   int blackExpansionLevel) {
    const qint64 width = size.width;
    const qint64 height = size.height;
    if (!bitmapBuffer || width <= 0 || height <= 0) {
        return;
    }
    const std::uint8_t t = blackConversionThreshold_255;
    const qint64 count = width * height;
    if (blackExpansionLevel == 0) {
        for (qint64 i = 0; i < count; ++i) {
            bitmapBuffer[i] = bitmapBuffer[i] > t ? 255 : 0;
        }
        return;
    }

    const std::vector<std::uint8_t> input(bitmapBuffer, bitmapBuffer + count);
    const bool growsBlack = blackExpansionLevel > 0;
    const std::uint8_t background = growsBlack ? 255 : 0;
    const std::uint8_t paint = growsBlack ? 0 : 255;
    std::memset(bitmapBuffer, background, size_t(count));
    const int level = std::abs(blackExpansionLevel);
    if (level > 5) {
        return;
    }

    auto set = [&](qint64 x, qint64 y) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            bitmapBuffer[y * width + x] = paint;
        }
    };
    for (qint64 y = 0; y < height; ++y) {
        const std::uint8_t* row = input.data() + y * width;
        for (qint64 x = 0; x < width; ++x) {
            // At a non-zero level a pixel equal to the threshold counts as white.
            const bool visited = growsBlack ? row[x] < t : row[x] >= t;
            if (!visited) {
                continue;
            }
            const bool xEven = x % 2 == 0;
            const bool yEven = y % 2 == 0;
            switch (level) {
            case 1:
                set(x, y);
                if (xEven && yEven) {
                    set(x, y - 1);
                    set(x + 1, y);
                }
                break;
            case 2:
                set(x, y);
                if (xEven || yEven) {
                    set(x, y - 1);
                    set(x + 1, y);
                }
                break;
            case 3:
                set(x, y);
                set(x, y - 1);
                set(x + 1, y);
                break;
            case 4:
                set(x, y);
                set(x, y - 1);
                set(x - 1, y);
                set(x + 1, y);
                set(x, y + 1);
                break;
            case 5:
                for (qint64 dy = -1; dy <= 1; ++dy) {
                    for (qint64 dx = -1; dx <= 1; ++dx) {
                        set(x + dx, y + dy);
                    }
                }
                break;
            }
        }
    }
}

} // namespace ambrel
