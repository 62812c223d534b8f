#include "imaging/print/ImageExtensions.h"

#include "model/pictures/GraphicsExtensions.h"

#include <QCryptographicHash>

namespace quenta {

QByteArray ImageExtensions::md5Hash(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

std::optional<QByteArray> ImageExtensions::md5Hash(const QImage& image) {
    if (image.isNull() || image.sizeInBytes() <= 0) {
        return std::nullopt;
    }
    // Each row's pixels alone: the padding at a row's end is not part of the
    // picture, and nothing sets it, so equal pictures could differ there.
    const qint64 rowBits = qint64(image.width()) * image.depth();
    const qsizetype wholeBytes = qsizetype(rowBits / 8);
    const int spareBits = int(rowBits % 8);
    // The bits of a row's last, partly used byte that belong to pixels.
    const auto usedBits = [&]() -> uchar {
        if (image.format() == QImage::Format_MonoLSB) {
            return uchar((1u << spareBits) - 1);
        }
        return uchar(0xFFu << (8 - spareBits));
    }();
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const char*>(image.constScanLine(y));
        hash.addData(QByteArrayView(row, wholeBytes));
        if (spareBits != 0) {
            const char last = char(uchar(row[wholeBytes]) & usedBits);
            hash.addData(QByteArrayView(&last, 1));
        }
    }
    return hash.result();
}

std::optional<QImage> ImageExtensions::croppingOrAddingWhitespace(const QImage& image,
                                                                  const QRect& croppingRect) {
    if (croppingRect.width() <= 0 || croppingRect.height() <= 0) {
        return std::nullopt;
    }
    const QRect whole(0, 0, image.width(), image.height());
    if (croppingRect == whole) {
        return image;
    }
    if (whole.contains(croppingRect)) {
        QImage crop = image.copy(croppingRect);
        if (crop.isNull()) {
            return std::nullopt;
        }
        return crop;
    }
    const int w = croppingRect.width();
    const int h = croppingRect.height();
    auto context = ambrel::GraphicsExtensions::grayOpaqueContext(nullptr, {w, h});
    if (!context) {
        return std::nullopt;
    }
    ambrel::GraphicsExtensions::performSavingGState(*context, [&] {
        context->setGrayFillColor(1.0, 1.0);
        context->fill(QRectF(0, 0, w, h));
        // The context's y axis points up; the picture's top edge goes to the
        // rectangle's top edge, as the crop counts rows from the top.
        const double bottom = double(h) + croppingRect.y() - image.height();
        context->drawImage(QRectF(-croppingRect.x(), bottom, image.width(), image.height()), image);
    });
    QImage result = context->makeImage();
    if (result.isNull()) {
        return std::nullopt;
    }
    return result;
}

std::optional<QImage> ImageExtensions::shavingOrAddingEdges(const QImage& image,
                                                            const QMargins& edges) {
    const QRect rect(edges.left(), edges.top(), image.width() - (edges.left() + edges.right()),
                     image.height() - (edges.top() + edges.bottom()));
    return croppingOrAddingWhitespace(image, rect);
}

} // namespace quenta
