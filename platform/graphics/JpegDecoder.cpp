#include "platform/graphics/JpegDecoder.h"

#include "platform/AllocatorTuning.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/ExifOrientation.h"
#include "platform/graphics/JpegEighthDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>

extern "C" {
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

// A decompression whose errors leave the library by a jump, released when
// it goes out of scope; no jump lands in the scope that holds it.
struct Decompression {
    jpeg_decompress_struct info{};
    ErrorManager errors{};

    Decompression() {
        info.err = jpeg_std_error(&errors);
        errors.error_exit = leaveOnError;
        errors.output_message = ignoreMessage;
    }
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;
};

constexpr int exifMarker = JPEG_APP0 + 1;
constexpr int colourProfileMarker = JPEG_APP0 + 2;

// What makes Qt's reader attach more than pixels to the picture: comments
// become its texts, a colour profile its colour space.
bool carriesMoreThanPixels(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker == JPEG_COM || m->marker == colourProfileMarker) {
            return true;
        }
    }
    return false;
}

// The jumps out of the library land in the functions that follow, which
// hold no object with a destructor: what the library allocates sits in its pools,
// the picture in the caller.
bool readMarkers(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data,
                 bool keepsExif) {
    if (setjmp(errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    // Kept only to be noticed: one byte of each is enough.
    jpeg_save_markers(&info, JPEG_COM, 1);
    jpeg_save_markers(&info, colourProfileMarker, 1);
    if (keepsExif) {
        jpeg_save_markers(&info, exifMarker, 0xFFFF);
    }
    jpeg_read_header(&info, TRUE);
    return true;
}

bool decodable(const jpeg_decompress_struct& info) {
    return info.num_components == 3 && info.out_color_space == JCS_RGB &&
           !carriesMoreThanPixels(info);
}

bool readHeader(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data,
                int denominator) {
    if (!readMarkers(info, errors, data, false) || !decodable(info)) {
        return false;
    }
    if (setjmp(errors.jump)) {
        return false;
    }
    // Qt's reader keeps the library's defaults (accurate transform, smooth
    // upsampling) at its default quality; the library writes Qt's 32-bit
    // order itself, with the fourth byte opaque.
    info.out_color_space = JCS_EXT_BGRX;
    info.scale_num = 1;
    info.scale_denom = unsigned(denominator);
    jpeg_calc_output_dimensions(&info);
    return true;
}

void describeHuffman(const JHUFF_TBL* table, JpegScan::HuffmanSpec& spec) {
    if (!table) {
        return;
    }
    spec.present = true;
    std::copy(std::begin(table->bits), std::end(table->bits), spec.bits.begin());
    std::copy(std::begin(table->huffval), std::end(table->huffval), spec.values.begin());
}

// The scan as the library read its header, where it is the common photo's:
// one sequential scan of all three YCbCr components, Huffman coded, with no
// restart markers. Read before the decompression starts.
bool describeScan(const jpeg_decompress_struct& info, JpegScan& scan) {
    if (info.progressive_mode || info.arith_code || info.data_precision != 8 ||
        info.num_components != 3 || info.jpeg_color_space != JCS_YCbCr || info.comps_in_scan != 3 ||
        info.Ss != 0 || info.Se != DCTSIZE2 - 1 || info.Ah != 0 || info.Al != 0 ||
        info.restart_interval != 0 || info.CCIR601_sampling || !info.src ||
        !info.src->next_input_byte) {
        return false;
    }
    scan.size = QSize(int(info.image_width), int(info.image_height));
    for (int i = 0; i < 3; ++i) {
        const jpeg_component_info& c = info.comp_info[i];
        const int quant = c.quant_tbl_no;
        if (quant < 0 || quant >= NUM_QUANT_TBLS || !info.quant_tbl_ptrs[quant]) {
            return false;
        }
        auto& component = scan.components[std::size_t(i)];
        component.horizontalSampling = c.h_samp_factor;
        component.verticalSampling = c.v_samp_factor;
        component.quantTable = quant;
        component.dcTable = c.dc_tbl_no;
        component.acTable = c.ac_tbl_no;
        std::copy(std::begin(info.quant_tbl_ptrs[quant]->quantval),
                  std::end(info.quant_tbl_ptrs[quant]->quantval),
                  scan.quantTables[std::size_t(quant)].begin());
        const jpeg_component_info* inScan = info.cur_comp_info[i];
        if (!inScan) {
            return false;
        }
        scan.scanOrder[std::size_t(i)] = int(inScan - info.comp_info);
    }
    for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
        describeHuffman(info.dc_huff_tbl_ptrs[i], scan.dcTables[std::size_t(i)]);
        describeHuffman(info.ac_huff_tbl_ptrs[i], scan.acTables[std::size_t(i)]);
    }
    scan.data = info.src->next_input_byte;
    scan.bytes = info.src->bytes_in_buffer;
    return true;
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

bool readPixels(jpeg_decompress_struct& info, ErrorManager& errors, uchar* bits, qsizetype stride,
                DecodingRows* rows) {
    if (setjmp(errors.jump)) {
        return false;
    }
    jpeg_start_decompress(&info);
    const int height = int(info.output_height);
    JSAMPROW lines[16];
    while (info.output_scanline < info.output_height) {
        const int first = int(info.output_scanline);
        const int count = std::min(16, height - first);
        for (int i = 0; i < count; ++i) {
            lines[i] = bits + (first + i) * stride;
        }
        if (jpeg_read_scanlines(&info, lines, JDIMENSION(count)) == 0) {
            return false;
        }
        if (rows) {
            rows->advance(int(info.output_scanline));
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

JpegDecoder::Outcome JpegDecoder::decode(const QByteArray& data, QImage& image, DecodingRows* rows,
                                         int denominator) {
    Decompression decompression;
    jpeg_decompress_struct& info = decompression.info;
    ErrorManager& errors = decompression.errors;
    return [&] {
        if (!readHeader(info, errors, data, denominator)) {
            return Outcome::notHandled;
        }
        QImage pixels(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
        if (pixels.isNull()) {
            return Outcome::failed;
        }
        // Before a reader shares the picture: a change then would copy it.
        if (info.density_unit == 1) {
            pixels.setDotsPerMeterX(int(100. * info.X_density / 2.54));
            pixels.setDotsPerMeterY(int(100. * info.Y_density / 2.54));
        } else if (info.density_unit == 2) {
            pixels.setDotsPerMeterX(int(100. * info.X_density));
            pixels.setDotsPerMeterY(int(100. * info.Y_density));
        }
        // The only writable access: the copy a reader gets never detaches it.
        uchar* const bits = pixels.bits();
        // Fresh memory, written once: asked for in large pages, the decode
        // no longer spends a good part of its time in the kernel taking them
        // 4 KB at a time.
        AllocatorTuning::adviseLargePages(bits, std::size_t(pixels.sizeInBytes()));
        // An eighth takes each block's first terms alone, which several
        // threads decode at once.
        if (denominator == 8 && !rows) {
            JpegScan scan;
            if (describeScan(info, scan) && JpegEighthDecoder::decode(scan, pixels)) {
                image = pixels;
                return Outcome::decoded;
            }
        }
        if (rows) {
            rows->start(pixels);
        }
        if (!readPixels(info, errors, bits, pixels.bytesPerLine(), rows)) {
            return Outcome::failed;
        }
        image = pixels;
        return Outcome::decoded;
    }();
}

std::optional<JpegDecoder::Header> JpegDecoder::header(const QByteArray& data) {
    Decompression decompression;
    const jpeg_decompress_struct& info = decompression.info;
    if (!readMarkers(decompression.info, decompression.errors, data, true)) {
        return std::nullopt;
    }
    return Header{QSize(int(info.image_width), int(info.image_height)), exifOrientation(info),
                  decodable(info)};
}

std::optional<JpegScan> JpegDecoder::scan(const QByteArray& data) {
    Decompression decompression;
    JpegScan scan;
    if (!readHeader(decompression.info, decompression.errors, data, 8) ||
        !describeScan(decompression.info, scan)) {
        return std::nullopt;
    }
    return scan;
}

} // namespace platform
