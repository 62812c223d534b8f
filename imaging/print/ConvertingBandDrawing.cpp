#include "imaging/print/ConvertingBandDrawing.h"

#include "imaging/print/BlackConversionRows.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/compute/ThreadPool.h"
#include "platform/usb/UsbResult.h"
#include "transport/model/PipeError.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <variant>

namespace quenta {

namespace {

// Gray of one band, mapped from the system rather than taken from the
// allocator: bands are drawn on every compute worker, and each worker's
// allocator would keep the largest it had seen after it is freed.
class BandGray {
public:
    explicit BandGray(std::size_t bytes) : m_bytes(bytes) {
        void* data =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED) {
            // The print fails as a send without memory fails; the program
            // and its documents go on.
            platform::Log::line(
                QStringLiteral("No memory for the gray of a band of %1 bytes.").arg(bytes));
            fennick::MakeNSErrorWithIOReturn(platform::UsbResult::noMemory)->raise();
        }
        m_data = static_cast<uchar*>(data);
    }
    ~BandGray() { munmap(m_data, m_bytes); }
    BandGray(const BandGray&) = delete;
    BandGray& operator=(const BandGray&) = delete;

    uchar* data() const { return m_data; }

private:
    uchar* m_data = nullptr;
    std::size_t m_bytes = 0;
};

} // namespace

qint64 ConvertingBandDrawing::reach(const ambrel::BlackConversion& conversion,
                                    const BlackConversionPass::OutputConfiguration& configuration) {
    qint64 rows = 0;
    for (const auto& filter : BlackConversionPass::filters(conversion, configuration)) {
        if (const auto* expansion = std::get_if<BlackExpansionFilter>(&filter)) {
            if (expansion->level() != 0) {
                rows = std::max(rows, std::max<qint64>(1, expansion->pixelsPerDot()));
            }
        }
    }
    return rows;
}

qint64
ConvertingBandDrawing::rowAlignment(const BlackConversionPass::OutputConfiguration& configuration) {
    return 2 * std::max<qint64>(1, configuration.pixelsPerDeviceDot);
}

void ConvertingBandDrawing::drawAndConvert(
    QImage& buffer, platform::compute::ThreadPool* pool, int bands,
    const std::function<void(platform::GraphicsContext&)>& draw,
    const ambrel::BlackConversion& conversion,
    const BlackConversionPass::OutputConfiguration& configuration) {
    const int rows = buffer.height();
    const int width = buffer.width();
    const qsizetype rowBytes = buffer.bytesPerLine();
    if (rows < 1 || width < 1) {
        return;
    }
    if (rowBytes != width || buffer.format() != QImage::Format_Grayscale8) {
        platform::Log::fatal(QStringLiteral("A print bitmap whose rows are not packed gray."));
    }
    if (bands <= 0) {
        bands = pool ? int(pool->concurrency()) * 2 : 1;
    }
    bands = std::clamp(bands, 1, rows);
    if (!pool) {
        bands = 1;
    }
    const qint64 margin = reach(conversion, configuration);
    const qint64 alignment = rowAlignment(configuration);
    uchar* const bits = buffer.bits();
    // Where no pixel's conversion reads another row, a band is drawn into
    // the bitmap itself, clipped to its rows, and converted where it lies;
    // otherwise each band makes its own conversion over its own gray. Either
    // way a conversion that cannot run fails here, before any band is drawn.
    ambrel::BlackWhiteColumnPacker::RowSource inPlace;
    if (margin == 0) {
        inPlace = BlackConversionRows::make(conversion, bits, ambrel::Size_px{width, rows},
                                            configuration);
    } else {
        const std::uint8_t white = 255;
        BlackConversionRows::make(conversion, &white, ambrel::Size_px{1, 1}, configuration);
    }

    auto band = [&](std::size_t b) {
        const qint64 first = qint64(rows) * qint64(b) / bands;
        const qint64 end = qint64(rows) * qint64(b + 1) / bands;
        if (end <= first) {
            return;
        }
        if (inPlace) {
            std::memset(bits + first * rowBytes, 255, std::size_t((end - first) * rowBytes));
            {
                auto context = ambrel::GraphicsExtensions::grayOpaqueContext(
                    bits, ambrel::Size_px{width, rows});
                if (!context) {
                    platform::Log::fatal(
                        QStringLiteral("Could not make the gray context of a print bitmap."));
                }
                if (bands > 1) {
                    // User space has y up: rows [first, end) are y in [rows - end, rows - first).
                    context->clipTo(QRectF(0, double(rows - end), width, double(end - first)));
                }
                draw(*context);
            }
            for (qint64 row = first; row < end; ++row) {
                inPlace(row, 0, width, bits + row * rowBytes);
            }
            return;
        }
        // The band's gray: its rows and those the conversion reads around
        // them, starting on a row the conversion's patterns start on too.
        const qint64 grayFirst = std::max<qint64>(0, first - margin) / alignment * alignment;
        const qint64 grayEnd = std::min<qint64>(rows, end + margin);
        const qint64 grayRows = grayEnd - grayFirst;
        BandGray gray(std::size_t(grayRows) * std::size_t(width));
        std::memset(gray.data(), 255, std::size_t(grayRows) * std::size_t(width));
        {
            auto context = ambrel::GraphicsExtensions::grayOpaqueContext(
                gray.data(), ambrel::Size_px{width, grayRows});
            if (!context) {
                platform::Log::fatal(QStringLiteral("Could not make the gray context of a band."));
            }
            // User space has y up: the band's gray is the bitmap's rows
            // [grayFirst, grayEnd), moved down by whole rows.
            context->translateBy(0, -double(rows - grayEnd));
            draw(*context);
        }
        // The screen lies where it lies on the whole bitmap.
        BlackConversionPass::OutputConfiguration moved = configuration;
        moved.filterOffset.ry() -= double(grayFirst);
        const auto convert = BlackConversionRows::make(conversion, gray.data(),
                                                       ambrel::Size_px{width, grayRows}, moved);
        for (qint64 row = first; row < end; ++row) {
            convert(row - grayFirst, 0, width, bits + row * rowBytes);
        }
    };
    if (bands == 1) {
        band(0);
    } else {
        pool->parallelFor(std::size_t(bands), band);
    }
}

} // namespace quenta
