#include "core/document/job/OrientedImageDrawing.h"

#include "core/document/job/CurrentGraphicsContext.h"
#include "model/pictures/GraphicsExtensions.h"

#include <numbers>

namespace kestrom {

using ambrel::ImageRotation;

void OrientedImageDrawing::draw(const QImage& image, const QRectF& rect, ImageRotation orientation,
                                bool flipHorizontal) {
    platform::GraphicsContext* context = CurrentGraphicsContext::current();
    if (!context) {
        return;
    }
    const double x = rect.x();
    const double y = rect.y();
    const double w = rect.width();
    const double h = rect.height();
    const bool turned = orientation.isWidthHeightFlipped();
    ambrel::GraphicsExtensions::performSavingGState(*context, [&] {
        if (!flipHorizontal) {
            context->translateBy(x, y);
            switch (orientation) {
            case ImageRotation::Case::none:
                break;
            case ImageRotation::Case::r90:
                context->translateBy(w, 0);
                break;
            case ImageRotation::Case::r180:
                context->translateBy(w, h);
                break;
            case ImageRotation::Case::r270:
                context->translateBy(0, h);
                break;
            }
        } else {
            context->translateBy(x + w, y);
            // Mirrored along the axis that stays horizontal after the turn.
            if (turned) {
                context->scaleBy(1, -1);
            } else {
                context->scaleBy(-1, 1);
            }
            switch (orientation) {
            case ImageRotation::Case::none:
                break;
            case ImageRotation::Case::r90:
                context->translateBy(0, -h);
                break;
            case ImageRotation::Case::r180:
                context->translateBy(w, h);
                break;
            case ImageRotation::Case::r270:
                context->translateBy(-w, 0);
                break;
            }
        }
        context->rotateBy(orientation.rawValue() * std::numbers::pi / 2);
        context->drawImage(turned ? QRectF(0, 0, h, w) : QRectF(0, 0, w, h), image);
    });
}

} // namespace kestrom
