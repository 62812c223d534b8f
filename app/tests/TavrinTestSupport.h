#pragma once

#include "app/tavrin/TavrinConnect.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/pictures/OriginalImage.h"

#include <QImage>
#include <QPainter>
#include <QUrl>

#include <cmath>
#include <cstring>

// What the stencil tests share: a small model, the test picture, tasks, and
// the picture the device should image, worked out independently of the
// rendering code.
namespace tavrin_test {

// A narrow model so that whole jobs stay small: 300 dpi, a 256-dot head, a
// canvas 20 mm wide (236 dots) and 100 mm high (1181 columns).
inline std::shared_ptr<const ambrel::DeviceDescriptor>
smallModel(const char* name = "Tavrin test") {
    const QByteArray json = QStringLiteral(R"([{
        "modelName": "%1", "printerType": "vessik", "headDotCount": 256, "dpi": 300,
        "canvases": [{"identifier": "C", "size_mm": {"width": 20, "height": 100}}],
        "offsetBases": ["topLeft", "center", "right", "bottom"],
        "parameterProperties": [{"type": "number", "identifier": "density",
                                 "minValue": -8, "maxValue": 8, "defaultValue": 3}],
        "additionalInfos": {"BlackConversion": {"halftone": {"deviceGamma": 1.2}}}
    }])")
                                .arg(QString::fromUtf8(name))
                                .toUtf8();
    return ambrel::DeviceDescriptor::deviceDescriptors(json, lunvik::TavrinConnect::pluginBundle())
        .first();
}

inline std::shared_ptr<const ambrel::DeviceDescriptor> pluginModel(const QString& name) {
    for (const auto& d :
         lunvik::TavrinConnect(lunvik::TavrinConnect::Region::worldwide).deviceDescriptors()) {
        if (d->modelName() == name) {
            return d;
        }
    }
    return nullptr;
}

inline QString dataPath(const char* file) {
    return QStringLiteral(LUNVIK_TEST_DATA "/") + QString::fromUtf8(file);
}

// 64 x 40 gray: a black block at the top left, a black bar at the bottom
// right, a thin line, and steps of 100, 127, 128 and 200.
inline ambrel::OriginalImage::Pointer stencilMark() {
    return ambrel::OriginalImage::fromContentsOfURL(
        QUrl::fromLocalFile(dataPath("stencil-mark.png")));
}

// One-pixel lines across, along and slanted, lone dots, one-pixel white gaps
// in a black block and a gray step, at odd and even places.
inline QImage thinLines() {
    QImage image(150, 400, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < 6; ++i) {
        painter.drawLine(10 + i * 23, 0, 10 + i * 23, 399);
        painter.drawLine(0, 15 + i * 61, 149, 15 + i * 61);
    }
    painter.drawLine(0, 0, 149, 399);
    painter.fillRect(QRect(40, 200, 50, 40), Qt::black);
    painter.fillRect(QRect(100, 300, 30, 30), QColor(90, 90, 90));
    painter.end();
    for (int y = 201; y < 240; y += 3) {
        image.scanLine(y)[40 + (y % 7)] = 255;
        image.scanLine(y)[41 + (y % 7)] = 255;
    }
    for (int k = 0; k < 40; ++k) {
        image.scanLine(260 + k * 3)[120 + k % 5] = 0;
    }
    return image;
}

inline ambrel::PrintTask task(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                              ambrel::ImageSource source, QVariantMap settings = {},
                              int canvasIndex = 0,
                              ambrel::TransportType transport = ambrel::TransportType::usb) {
    return ambrel::PrintTask(model, model->canvases().at(canvasIndex), transport, std::move(source),
                             std::move(settings));
}

inline ambrel::OriginalImageDrawingOptions optionsAtOwnSize(const QImage& picture) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {picture.width(), picture.height()};
    return options;
}

// The picture as the canvas shows it: mirrored left to right first, then
// turned clockwise by quarters.
inline QImage placedPicture(const QImage& picture, int quarterTurns, bool mirror) {
    QImage out = picture.convertToFormat(QImage::Format_Grayscale8);
    if (mirror) {
        out = out.mirrored(true, false);
    }
    if (quarterTurns % 4) {
        out = out.transformed(QTransform().rotate(90.0 * (quarterTurns % 4)));
    }
    return out;
}

// The canvas in gray, W x H, with copies of the placed picture whose top-left
// corners are given.
inline QImage grayCanvas(int W, int H, const QImage& placed, const QList<QPoint>& corners) {
    QImage canvas(W, H, QImage::Format_Grayscale8);
    canvas.fill(255);
    for (const QPoint& corner : corners) {
        for (int y = 0; y < placed.height(); ++y) {
            for (int x = 0; x < placed.width(); ++x) {
                const int u = corner.x() + x;
                const int v = corner.y() + y;
                if (u >= 0 && u < W && v >= 0 && v < H) {
                    canvas.scanLine(v)[u] = placed.constScanLine(y)[x];
                }
            }
        }
    }
    return canvas;
}

// A print's bitmap seen as the canvas: bitmap columns run along the canvas's
// height, so canvas pixel (u, v) is bitmap pixel (H - 1 - v, W - 1 - u).
inline QImage canvasView(const QImage& bitmap) {
    const int W = bitmap.height();
    const int H = bitmap.width();
    QImage canvas(W, H, QImage::Format_Grayscale8);
    for (int v = 0; v < H; ++v) {
        for (int u = 0; u < W; ++u) {
            canvas.scanLine(v)[u] = bitmap.constScanLine(W - 1 - u)[H - 1 - v];
        }
    }
    return canvas;
}

// Whether two gray pictures hold the same pixels, row padding aside.
inline bool sameBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width())) != 0) {
            return false;
        }
    }
    return true;
}

// Bytes written out as numbers, for expected wire data.
inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(char(v));
    }
    return out;
}

// Where canvas pixel u lands on a head of dotCount dots: the canvas is
// centred on the head, the odd dot going to the far end.
inline int dotShift(int dotCount, int W) {
    return dotCount - W - (dotCount - W) / 2;
}

// Compares what the device imaged with the gray canvas: a pixel must be black
// where black(gray) says so and white where white(gray) says so; pixels for
// which neither holds are not compared. Returns the number of mismatches and
// describes the first few.
template <typename Black, typename White>
int mismatches(const QImage& imaged, const QImage& canvas, int dotCount, Black black, White white,
               QString* report) {
    const int shift = dotShift(dotCount, canvas.width());
    int wrong = 0;
    if (imaged.width() != dotCount || imaged.height() != canvas.height()) {
        *report = QStringLiteral("imaged %1 x %2").arg(imaged.width()).arg(imaged.height());
        return -1;
    }
    for (int column = 0; column < imaged.height(); ++column) {
        for (int dot = 0; dot < dotCount; ++dot) {
            const int u = dot - shift;
            const int gray = (u >= 0 && u < canvas.width()) ? canvas.constScanLine(column)[u] : 255;
            const bool isBlack = imaged.pixelIndex(dot, column) == 1;
            const bool wrongHere = (black(gray) && !isBlack) || (white(gray) && isBlack);
            if (wrongHere && ++wrong <= 5) {
                *report += QStringLiteral("(u %1, v %2, gray %3, imaged %4) ")
                               .arg(u)
                               .arg(column)
                               .arg(gray)
                               .arg(isBlack ? "black" : "white");
            }
        }
    }
    return wrong;
}

} // namespace tavrin_test
