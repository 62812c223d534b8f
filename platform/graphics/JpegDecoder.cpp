#include "platform/graphics/JpegDecoder.h"

#include "platform/AllocatorTuning.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/ExifOrientation.h"
#include "platform/graphics/ImageLimits.h"

#include <QColorSpace>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace platform {

namespace {

struct ErrorManager : jpeg_error_mgr {
    std::jmp_buf jump;
};

extern "C" void leaveOnError(j_common_ptr info) {
    std::longjmp(static_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (damaged data the library decodes around) go unreported, as
// the picture still comes.
extern "C" void ignoreMessage(j_common_ptr) {}

// The library's progress monitor, called as it starts on each row of blocks
// of each scan: past the scan limit it leaves the decode by the error exit.
struct ScanWatch : jpeg_progress_mgr {
    int scans = 0;
    // Set from the header's size once it is read.
    int limit = JpegDecoder::mostScans;
    bool exceeded = false;
};

extern "C" void watchScans(j_common_ptr common) {
    auto& watch = *static_cast<ScanWatch*>(common->progress);
    watch.scans = reinterpret_cast<j_decompress_ptr>(common)->input_scan_number;
    if (watch.scans > watch.limit) {
        watch.exceeded = true;
        (*common->err->error_exit)(common);
    }
}

// A decompression whose errors leave the library by a jump, released when
// it goes out of scope; no jump lands in the scope that holds it.
struct Decompression {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    ScanWatch watch{};

    Decompression() {
        info.err = jpeg_std_error(&errors);
        errors.error_exit = leaveOnError;
        errors.output_message = ignoreMessage;
        watch.progress_monitor = watchScans;
    }
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;
};

constexpr int exifMarker = JPEG_APP0 + 1;
constexpr int colourProfileMarker = JPEG_APP0 + 2;

// What the library's output becomes: gray rows as they come, colour in
// Qt's 32-bit order (the library writes it), CMYK through rows of its own.
enum class Pixels { none, gray, colour, cmyk };

Pixels pixelsOf(const jpeg_decompress_struct& info) {
    switch (info.num_components) {
    case 1:
        return Pixels::gray;
    case 3:
        return Pixels::colour;
    case 4:
        return Pixels::cmyk;
    default:
        return Pixels::none;
    }
}

QImage::Format formatOf(Pixels pixels) {
    return pixels == Pixels::gray ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
}

// The rows of CMYK the library writes at a time before they are turned.
constexpr int cmykRows = 16;

// The jumps out of the library land in the functions that follow, which
// hold no object with a destructor: what the library allocates sits in its
// pools, the picture in the caller.
bool readMarkers(jpeg_decompress_struct& info, ErrorManager& errors, ScanWatch& watch,
                 const QByteArray& data) {
    if (setjmp(errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&info);
    info.progress = &watch;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    // What Qt's reader keeps: comments become texts, the APP1 segments give
    // the orientation, the APP2 ones the colour profile.
    jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
    jpeg_save_markers(&info, exifMarker, 0xFFFF);
    jpeg_save_markers(&info, colourProfileMarker, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    watch.limit = JpegDecoder::maximumScans(qint64(info.image_width) * info.image_height);
    return true;
}

bool prepareOutput(jpeg_decompress_struct& info, ErrorManager& errors, Pixels pixels,
                   int denominator) {
    if (setjmp(errors.jump)) {
        return false;
    }
    // Qt's reader keeps the library's defaults (accurate transform, smooth
    // upsampling) at its default quality.
    if (pixels == Pixels::colour) {
        // The fourth byte opaque.
        info.out_color_space = JCS_EXT_BGRX;
    }
    info.scale_num = 1;
    info.scale_denom = unsigned(denominator);
    jpeg_calc_output_dimensions(&info);
    return true;
}

qint64 roundUp(qint64 value, qint64 multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// What the decode allocates, from the header: the pixels; the coefficients
// of every block where the file has more than one scan (the library keeps
// them all until the last scan is in, whatever the scale); each
// component's rows of samples, with the rows above and below that smooth
// upsampling reads; and the rows of the colour conversion and of the CMYK
// turn.
qint64 bytesToDecode(const jpeg_decompress_struct& info, Pixels pixels) {
    const qint64 width = info.output_width;
    const qint64 depth = pixels == Pixels::gray ? 8 : 32;
    qint64 bytes = (width * depth + 31) / 32 * 4 * qint64(info.output_height);
    const bool keepsCoefficients =
        jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&info));
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        const qint64 blocksWide = roundUp(component.width_in_blocks, component.h_samp_factor);
        const qint64 blocksHigh = roundUp(component.height_in_blocks, component.v_samp_factor);
        if (keepsCoefficients) {
            bytes += blocksWide * blocksHigh * DCTSIZE2 * qint64(sizeof(JCOEF));
        }
        bytes += blocksWide * DCTSIZE * component.v_samp_factor * DCTSIZE * 3;
    }
    bytes += width * 4 * info.max_v_samp_factor * DCTSIZE * 2;
    if (pixels == Pixels::cmyk) {
        bytes += width * 4 * cmykRows;
    }
    return bytes;
}

quint32 exifOrientation(const jpeg_decompress_struct& info) {
    // Read as Qt's reader reads it: every APP1 segment's payload in turn.
    QByteArray app1;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker == exifMarker) {
            app1.append(reinterpret_cast<const char*>(m->data), qsizetype(m->data_length));
        }
    }
    return ExifOrientation::fromApp1(reinterpret_cast<const uchar*>(app1.constData()),
                                     std::size_t(app1.size()));
}

// What Qt's reader attaches to the pixels: the resolution, each comment as
// a text ("Key: value", or a description), and the colour space of the
// profile the APP2 segments carry. Set before a reader shares the picture:
// a change then would copy it.
void attachWhatQtAttaches(const jpeg_decompress_struct& info, QImage& image) {
    if (info.density_unit == 1) {
        image.setDotsPerMeterX(int(100. * info.X_density / 2.54));
        image.setDotsPerMeterY(int(100. * info.Y_density / 2.54));
    } else if (info.density_unit == 2) {
        image.setDotsPerMeterX(int(100. * info.X_density));
        image.setDotsPerMeterY(int(100. * info.Y_density));
    }
    // Each APP2 segment of a profile: its name, its number and the count of
    // segments (14 bytes), then its part of the profile.
    constexpr unsigned profileHeader = 14;
    static const char profileName[] = "ICC_PROFILE";
    QByteArray profile;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        const auto* bytes = reinterpret_cast<const char*>(m->data);
        if (m->marker == JPEG_COM) {
            const QString comment = QString::fromUtf8(bytes, qsizetype(m->data_length));
            const qsizetype colon = comment.indexOf(QLatin1String(": "));
            if (colon == -1 || comment.indexOf(u' ') < colon) {
                image.setText(QStringLiteral("Description"), comment);
            } else {
                image.setText(comment.left(colon), comment.mid(colon + 2));
            }
        } else if (m->marker == colourProfileMarker && m->data_length > 128 + 4 + profileHeader &&
                   std::memcmp(bytes, profileName, sizeof profileName) == 0) {
            profile.append(bytes + profileHeader, qsizetype(m->data_length - profileHeader));
        }
    }
    if (!profile.isEmpty()) {
        image.setColorSpace(QColorSpace::fromIccProfile(profile));
    }
}

// Adobe's CMYK, stored inverted, turned to RGB as Qt's reader turns it.
void turnCmykRow(const uchar* in, QRgb* out, int width) {
    for (int x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

bool readPixels(jpeg_decompress_struct& info, ErrorManager& errors, Pixels pixels, uchar* bits,
                qsizetype stride, DecodingRows* rows) {
    if (setjmp(errors.jump)) {
        return false;
    }
    JSAMPARRAY cmyk = nullptr;
    if (pixels == Pixels::cmyk) {
        cmyk = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                         info.output_width * 4, cmykRows);
    }
    jpeg_start_decompress(&info);
    const int height = int(info.output_height);
    JSAMPROW lines[cmykRows];
    while (info.output_scanline < info.output_height) {
        const int first = int(info.output_scanline);
        const int count = std::min(cmykRows, height - first);
        for (int i = 0; i < count; ++i) {
            lines[i] = cmyk ? cmyk[i] : bits + (first + i) * stride;
        }
        const int read = int(jpeg_read_scanlines(&info, lines, JDIMENSION(count)));
        if (read == 0) {
            return false;
        }
        for (int i = 0; cmyk && i < read; ++i) {
            turnCmykRow(cmyk[i], reinterpret_cast<QRgb*>(bits + (first + i) * stride),
                        int(info.output_width));
        }
        if (rows) {
            rows->advance(int(info.output_scanline));
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

JpegDecoder::Outcome decodeIn(Decompression& decompression, const QByteArray& data, QImage& image,
                              DecodingRows* rows, int denominator) {
    using Outcome = JpegDecoder::Outcome;
    jpeg_decompress_struct& info = decompression.info;
    ErrorManager& errors = decompression.errors;
    if (!readMarkers(info, errors, decompression.watch, data)) {
        return Outcome::notAPicture;
    }
    const Pixels kind = pixelsOf(info);
    if (kind == Pixels::none || !prepareOutput(info, errors, kind, denominator)) {
        return Outcome::notAPicture;
    }
    if (!ImageLimits::admitsDecodeBytes(bytesToDecode(info, kind))) {
        return Outcome::tooLarge;
    }
    QImage pixels(int(info.output_width), int(info.output_height), formatOf(kind));
    if (pixels.isNull()) {
        return Outcome::outOfMemory;
    }
    attachWhatQtAttaches(info, pixels);
    // The only writable access: the copy a reader gets never detaches it.
    uchar* const bits = pixels.bits();
    // Fresh memory, written once: asked for in large pages, the decode no
    // longer spends a good part of its time in the kernel taking them 4 KB
    // at a time.
    AllocatorTuning::adviseLargePages(bits, std::size_t(pixels.sizeInBytes()));
    if (rows) {
        rows->start(pixels);
    }
    if (!readPixels(info, errors, kind, bits, pixels.bytesPerLine(), rows)) {
        if (decompression.watch.exceeded) {
            return Outcome::tooManyScans;
        }
        return errors.msg_code == JERR_OUT_OF_MEMORY ? Outcome::outOfMemory : Outcome::failed;
    }
    image = pixels;
    return Outcome::decoded;
}

} // namespace

int JpegDecoder::maximumScans(qint64 pixels) {
    constexpr qint64 passes = qint64(mostScans) * 24'000'000;
    return int(std::clamp<qint64>(passes / std::max<qint64>(pixels, 1), fewestScans, mostScans));
}

JpegDecoder::Outcome JpegDecoder::decode(const QByteArray& data, QImage& image, DecodingRows* rows,
                                         int denominator, int* scansRead) {
    Decompression decompression;
    const Outcome outcome = decodeIn(decompression, data, image, rows, denominator);
    if (scansRead) {
        *scansRead = decompression.watch.scans;
    }
    return outcome;
}

std::optional<JpegDecoder::Header> JpegDecoder::header(const QByteArray& data) {
    Decompression decompression;
    jpeg_decompress_struct& info = decompression.info;
    if (!readMarkers(info, decompression.errors, decompression.watch, data)) {
        return std::nullopt;
    }
    const Pixels kind = pixelsOf(info);
    if (kind == Pixels::none || !prepareOutput(info, decompression.errors, kind, 1)) {
        return std::nullopt;
    }
    return Header{QSize(int(info.image_width), int(info.image_height)), exifOrientation(info),
                  formatOf(kind), jpeg_has_multiple_scans(&info) != FALSE,
                  bytesToDecode(info, kind)};
}

} // namespace platform
