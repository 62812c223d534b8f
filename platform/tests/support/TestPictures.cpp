#include "platform/tests/support/TestPictures.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageWriter>
#include <QList>

#include <libheif/heif.h>

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace testpictures {

namespace {

void appendBigEndian16(QByteArray& out, int value) {
    out.append(char((value >> 8) & 0xFF));
    out.append(char(value & 0xFF));
}

void appendLittleEndian16(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void appendLittleEndian32(QByteArray& out, quint32 value) {
    for (int i = 0; i < 4; ++i) {
        out.append(char((value >> (8 * i)) & 0xFF));
    }
}

QImageIOHandler::Transformations transformationFor(int orientation) {
    switch (orientation) {
    case 2:
        return QImageIOHandler::TransformationMirror;
    case 3:
        return QImageIOHandler::TransformationRotate180;
    case 4:
        return QImageIOHandler::TransformationFlip;
    case 5:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case 6:
        return QImageIOHandler::TransformationRotate90;
    case 7:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

// Packs variable-width codes least significant bit first, as GIF wants.
class BitWriter {
public:
    void write(int code, int width) {
        m_buffer |= quint32(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes.append(char(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish() {
        if (m_bits > 0) {
            m_bytes.append(char(m_buffer & 0xFF));
        }
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint32 m_buffer = 0;
    int m_bits = 0;
};

} // namespace

QByteArray encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    writer.write(image);
    return bytes;
}

QByteArray jpegWithOrientation(const QImage& image, int orientation) {
    const QByteArray plain = encode(image, "jpeg", 100);
    // EXIF: a little-endian TIFF structure with one entry, tag 274.
    QByteArray tiff("II*\0", 4);
    appendLittleEndian32(tiff, 8);
    appendLittleEndian16(tiff, 1);
    appendLittleEndian16(tiff, 0x0112);
    appendLittleEndian16(tiff, 3); // SHORT
    appendLittleEndian32(tiff, 1);
    appendLittleEndian16(tiff, orientation);
    appendLittleEndian16(tiff, 0);
    appendLittleEndian32(tiff, 0);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    appendBigEndian16(segment, int(payload.size()) + 2);
    segment += payload;
    return plain.left(2) + segment + plain.mid(2);
}

QByteArray tiffWithOrientation(const QImage& image, int orientation) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setTransformation(transformationFor(orientation));
    writer.write(image);
    return bytes;
}

QByteArray bmp(const QImage& image, int bits, bool topDown, bool bitFields) {
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    const bool keepsMono = bits == 1 && image.format() == QImage::Format_Mono;
    QList<QRgb> colours;
    if (keepsMono) {
        colours = image.colorTable();
    } else if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            const int level = i * 255 / ((1 << bits) - 1);
            colours << qRgb(level, level, level);
        }
    }
    const qint64 masks = bitFields ? 12 : 0;
    const qint64 offset = 14 + 40 + masks + qint64(colours.size()) * 4;
    QByteArray out;
    out.reserve(offset + rowBytes * height);
    auto put16 = [&out](quint32 v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    auto put32 = [&out](quint32 v) {
        for (int i = 0; i < 4; ++i) {
            out.append(char((v >> (8 * i)) & 0xFF));
        }
    };
    out += "BM";
    put32(quint32(offset + rowBytes * height));
    put32(0);
    put32(quint32(offset));
    put32(40);
    put32(quint32(width));
    put32(quint32(topDown ? -height : height));
    put16(1);
    put16(quint32(bits));
    put32(bitFields ? 3 : 0);
    put32(quint32(rowBytes * height));
    put32(2835);
    put32(2835);
    put32(quint32(colours.size()));
    put32(0);
    if (bitFields) {
        put32(0x00FF0000);
        put32(0x0000FF00);
        put32(0x000000FF);
    }
    for (const QRgb colour : colours) {
        put32(colour & 0xFFFFFF);
    }
    const QImage gray =
        bits <= 8 && !keepsMono ? image.convertToFormat(QImage::Format_Grayscale8) : QImage();
    const QImage rgb = bits > 8 ? image.convertToFormat(QImage::Format_RGB32) : QImage();
    QByteArray row(rowBytes, '\0');
    for (qint64 stored = 0; stored < height; ++stored) {
        const int y = int(topDown ? stored : height - 1 - stored);
        if (keepsMono) {
            out.append(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes);
            continue;
        }
        row.fill('\0');
        auto* bytes = reinterpret_cast<uchar*>(row.data());
        for (int x = 0; x < width; ++x) {
            if (bits <= 8) {
                const int index = gray.constScanLine(y)[x] >> (8 - bits);
                const qint64 bit = qint64(x) * bits;
                bytes[bit / 8] |= uchar(index << (8 - bits - bit % 8));
                continue;
            }
            const QRgb pixel = reinterpret_cast<const QRgb*>(rgb.constScanLine(y))[x];
            if (bits == 16) {
                const quint32 v = quint32(qRed(pixel) >> 3) << 10 |
                                  quint32(qGreen(pixel) >> 3) << 5 | quint32(qBlue(pixel) >> 3);
                bytes[2 * x] = uchar(v & 0xFF);
                bytes[2 * x + 1] = uchar(v >> 8);
            } else {
                uchar* at = bytes + qint64(x) * (bits / 8);
                at[0] = uchar(qBlue(pixel));
                at[1] = uchar(qGreen(pixel));
                at[2] = uchar(qRed(pixel));
            }
        }
        out += row;
    }
    return out;
}

QByteArray gif(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_Grayscale8);
    QByteArray out("GIF89a");
    appendLittleEndian16(out, image.width());
    appendLittleEndian16(out, image.height());
    out.append(char(0xF7)); // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        out.append(char(i)).append(char(i)).append(char(i));
    }
    out.append(char(0x2C)); // image descriptor
    appendLittleEndian16(out, 0);
    appendLittleEndian16(out, 0);
    appendLittleEndian16(out, image.width());
    appendLittleEndian16(out, image.height());
    out.append(char(0));
    out.append(char(8)); // minimum code size
    // Literal codes only, with a clear code often enough that the code width
    // never grows beyond nine bits.
    BitWriter bits;
    const int clear = 256;
    const int end = 257;
    int sinceClear = 0;
    bits.write(clear, 9);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 250) {
                bits.write(clear, 9);
                sinceClear = 0;
            }
            bits.write(row[x], 9);
            ++sinceClear;
        }
    }
    bits.write(end, 9);
    const QByteArray data = bits.finish();
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        out.append(char(block.size()));
        out += block;
    }
    out.append(char(0));
    out.append(char(0x3B));
    return out;
}

namespace {

using Colours = LibraryJpeg::Colours;

// The rows the encoder is given, in its input colours.
QByteArray encoderRows(const QImage& picture, Colours colours) {
    if (colours == Colours::grey) {
        const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
        QByteArray rows;
        for (int y = 0; y < grey.height(); ++y) {
            rows.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
        }
        return rows;
    }
    const int components = colours == Colours::rgb ? 3 : colours == Colours::twoComponents ? 2 : 4;
    QByteArray rows;
    rows.reserve(qsizetype(picture.width()) * picture.height() * components);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            const char values[] = {char(qRed(pixel)), char(qGreen(pixel)), char(qBlue(pixel)),
                                   char(255 - (x * 7 + y * 3) % 64)};
            rows.append(values, components);
        }
    }
    return rows;
}

} // namespace

QByteArray libraryJpeg(const QImage& picture, const LibraryJpeg& how) {
    const QByteArray rows = encoderRows(picture, how.colours);
    const int components = int(rows.size() / (qsizetype(picture.width()) * picture.height()));
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = components;
    switch (how.colours) {
    case Colours::rgb:
        info.in_color_space = JCS_RGB;
        break;
    case Colours::grey:
        info.in_color_space = JCS_GRAYSCALE;
        break;
    case Colours::cmyk:
    case Colours::ycck:
        info.in_color_space = JCS_CMYK;
        break;
    case Colours::twoComponents:
        info.in_color_space = JCS_UNKNOWN;
        break;
    }
    jpeg_set_defaults(&info);
    if (how.colours == Colours::ycck) {
        jpeg_set_colorspace(&info, JCS_YCCK);
    }
    jpeg_set_quality(&info, how.quality, how.quality >= 25 ? TRUE : FALSE);
    if (how.colours != Colours::grey) {
        info.comp_info[0].h_samp_factor = how.hSampling;
        info.comp_info[0].v_samp_factor = how.vSampling;
    }
    info.restart_in_rows = how.restartRows;
    info.write_JFIF_header = how.colours == Colours::rgb || how.colours == Colours::grey;
    info.density_unit = UINT8(how.densityUnit);
    info.X_density = UINT16(how.density);
    info.Y_density = UINT16(how.density + 1);
    std::vector<jpeg_scan_info> script;
    if (how.scanPerCoefficient) {
        jpeg_scan_info dc{};
        dc.comps_in_scan = components;
        for (int c = 0; c < components; ++c) {
            dc.component_index[c] = c;
        }
        script.push_back(dc);
        for (int c = 0; c < components; ++c) {
            for (int k = 1; k < DCTSIZE2; ++k) {
                jpeg_scan_info ac{};
                ac.comps_in_scan = 1;
                ac.component_index[0] = c;
                ac.Ss = k;
                ac.Se = k;
                script.push_back(ac);
            }
        }
        info.scan_info = script.data();
        info.num_scans = int(script.size());
    } else if (how.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    if (how.comment) {
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(how.comment),
                          unsigned(std::strlen(how.comment)));
    }
    const qsizetype rowBytes = qsizetype(picture.width()) * components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(rows.constData())) +
                       qsizetype(info.next_scanline) * rowBytes;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

QByteArray jpegWithEmptyScans(const QImage& picture, int count) {
    QByteArray jpeg = libraryJpeg(picture, {.progressive = true});
    // Component 1, DC table 0 and AC table 0, coefficients 1 to 63, no
    // successive approximation; then straight the next marker.
    const QByteArray emptyScan("\xff\xda\x00\x08\x01\x01\x00\x01\x3f\x00", 10);
    const QByteArray end = jpeg.right(2);
    jpeg.chop(2);
    jpeg.reserve(jpeg.size() + emptyScan.size() * count + 2);
    for (int i = 0; i < count; ++i) {
        jpeg += emptyScan;
    }
    return jpeg + end;
}

QByteArray jpegAnnouncing(const LibraryJpeg& how, int width, int height, qint64 bytes) {
    QByteArray jpeg = libraryJpeg(filled(64, 64, QImage::Format_RGB32, 0xFF808080), how);
    for (const char* frame : {"\xff\xc0", "\xff\xc1", "\xff\xc2"}) {
        const qsizetype at = jpeg.indexOf(QByteArray(frame, 2));
        if (at > 0) {
            jpeg[at + 5] = char(height >> 8);
            jpeg[at + 6] = char(height);
            jpeg[at + 7] = char(width >> 8);
            jpeg[at + 8] = char(width);
            break;
        }
    }
    // APP15 segments of the largest length, which decoders skip.
    QByteArray padding;
    const QByteArray segment = QByteArray("\xff\xef\xff\xff", 4) + QByteArray(0xFFFF - 2, '\0');
    while (jpeg.size() + padding.size() < bytes) {
        padding += segment;
    }
    return jpeg.insert(2, padding);
}

QByteArray heic(const QImage& source) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) {
        return {};
    }
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* picture = nullptr;
    QByteArray out;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
                          heif_chroma_interleaved_RGB, &picture)
                .code == heif_error_Ok &&
        heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8)
                .code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
        for (int y = 0; y < image.height(); ++y) {
            memcpy(plane + y * stride, image.constScanLine(y), size_t(image.width()) * 3);
        }
        heif_encoder_set_lossy_quality(encoder, 100);
        if (heif_context_encode_image(context, picture, encoder, nullptr, nullptr).code ==
            heif_error_Ok) {
            heif_writer writer{};
            writer.writer_api_version = 1;
            writer.write = [](heif_context*, const void* data, size_t size, void* userdata) {
                static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data),
                                                           qsizetype(size));
                return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
            };
            heif_context_write(context, &writer, &out);
        }
    }
    if (picture) {
        heif_image_release(picture);
    }
    if (encoder) {
        heif_encoder_release(encoder);
    }
    heif_context_free(context);
    return out;
}

namespace {

QByteArray box(const QRectF& r) {
    return QStringLiteral("%1 %2 %3 %4")
        .arg(r.left())
        .arg(r.top())
        .arg(r.right())
        .arg(r.bottom())
        .toLatin1();
}

QByteArray pdfDocument(const QByteArray& mediaBox, const PdfOptions& options) {
    const QByteArray content = options.content.toLatin1();
    QByteArray page = "<< /Type /Page /Parent 2 0 R /MediaBox [" + mediaBox + "]";
    if (options.trimBox) {
        page += " /TrimBox [" + box(*options.trimBox) + "]";
    }
    if (options.rotate != 0) {
        page += " /Rotate " + QByteArray::number(options.rotate);
    }
    page += " /Contents 4 0 R /Resources << >> >>";
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        page,
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
    };
    return pdfOfObjects(objects);
}

} // namespace

QByteArray pdf(const PdfOptions& options) {
    return pdfDocument(box(options.mediaBox), options);
}

QByteArray pdfWithMediaBox(const QByteArray& numbers) {
    return pdfDocument(numbers, {});
}

QByteArray pdfOfObjects(const QList<QByteArray>& objects, const QByteArray& trailer) {
    QByteArray out = "%PDF-1.5\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets) {
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R " +
           trailer + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray pdfPage(const QByteArray& content, const QByteArray& resources,
                   const QList<QByteArray>& further) {
    QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R /Resources " +
            resources + " >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
    };
    objects += further;
    return pdfOfObjects(objects);
}

QByteArray deflatedStream(const QByteArray& bytes, const QByteArray& keys) {
    // qCompress puts the length in front of a zlib stream.
    const QByteArray deflated = qCompress(bytes, 9).mid(4);
    return "<< /Length " + QByteArray::number(deflated.size()) + " /Filter /FlateDecode " + keys +
           " >>\nstream\n" + deflated + "\nendstream";
}

QImage filled(int width, int height, QImage::Format format, QRgb value) {
    QImage image(width, height, format);
    image.fill(QColor::fromRgba(value));
    return image;
}

} // namespace testpictures
