#include "core/document/application/DocumentActions.h"

#include "core/document/application/DocumentWindowPresenter.h"
#include "core/document/application/ImageImport.h"
#include "core/document/job/Framework.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"

using namespace ambrel;

namespace kestrom {

namespace {

QString menuText(const QString& name) {
    return KestromText::text(QStringLiteral("PrintDocument_Menu_") + name);
}

PrintDocument::CanvasPointer canvasNamed(const PrintDocument& document, const QString& identifier) {
    if (const auto& descriptor = document.deviceDescriptor()) {
        for (const auto& canvas : descriptor->canvases()) {
            if (canvas->identifier() == identifier) {
                return canvas;
            }
        }
    }
    return nullptr;
}

} // namespace

DocumentActions::DocumentActions(PrintDocument& document, ImageImport& import,
                                 std::shared_ptr<DocumentWindowPresenter> presenter)
    : m_document(document), m_import(import), m_presenter(std::move(presenter)) {}

void DocumentActions::chooseImage() {
    const auto& image = m_document.originalImage();
    m_import.presentImageOpenPanel(image ? std::optional<QUrl>(image->fileURL()) : std::nullopt);
}

void DocumentActions::paste() {
    const QMimeData* pasteboard = m_presenter ? m_presenter->generalPasteboard() : nullptr;
    if (ImageImport::acceptsImagePasteboard(pasteboard)) {
        m_import.setImageWithPasteboard(pasteboard);
    }
}

void DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(PrintDocument& document) {
    const auto canvas = document.canvas();
    const auto image = document.originalImage();
    if (!canvas || !image) {
        return;
    }
    if (const auto& descriptor = document.deviceDescriptor()) {
        document.setImageSize_px(image->size_px(descriptor->dpi()));
    }
    const Size_mm canvasSize = canvas->size_mm();
    const Rect_mm area = document.allImageArea_mm();
    const double factor = image->isVector() ? 1.0 : 1.2;
    const bool tooLarge = area.size.width > canvasSize.width * factor ||
                          area.size.height > canvasSize.height * factor;
    if (tooLarge) {
        document.setImageSizeWithMaxSizeForDisplay_mm(canvasSize, true);
        document.setImageOffset_mm({0, 0});
    }
}

void DocumentActions::resizeImageToActualSize(PrintDocument& document) {
    const auto& image = document.originalImage();
    const auto& descriptor = document.deviceDescriptor();
    if (image && descriptor) {
        document.setImageSize_px(image->size_px(descriptor->dpi()));
    }
}

void DocumentActions::resizeImageScaleToFit(PrintDocument& document) {
    if (const auto& canvas = document.canvas()) {
        document.setImageSizeWithMaxSizeForDisplay_mm(canvas->size_mm(), true);
        document.setImageOffset_mm({0, 0});
    }
}

void DocumentActions::rotateRight(PrintDocument& document) {
    if (document.originalImage()) {
        document.setImageOrientation(document.imageOrientation().rotatedClockwise());
    }
}

void DocumentActions::rotateLeft(PrintDocument& document) {
    if (document.originalImage()) {
        document.setImageOrientation(document.imageOrientation().rotatedCounterclockwise());
    }
}

void DocumentActions::perform(Action action, const QVariant& argument) {
    switch (action) {
    case Action::chooseImage:
        return chooseImage();
    case Action::resizeImageScaleToFitOrActualSizeIfTooLarge:
        return resizeImageScaleToFitOrActualSizeIfTooLarge(m_document);
    case Action::resizeImageToActualSize:
        return resizeImageToActualSize(m_document);
    case Action::resizeImageScaleToFit:
        return resizeImageScaleToFit(m_document);
    case Action::resetImageRepeatCount:
        return m_document.resetImageRepeatCount();
    case Action::resetHorizontalImageSplit:
        return m_document.resetHorizontalImageSplit();
    case Action::resetPosition:
        return m_document.resetPosition();
    case Action::rotateRight:
        return rotateRight(m_document);
    case Action::rotateLeft:
        return rotateLeft(m_document);
    case Action::flipImageHorizontally:
        if (m_document.originalImage()) {
            m_document.setFlipsImageHorizontal(!m_document.flipsImageHorizontal());
        }
        return;
    case Action::resetBlackConversionProperties:
        return m_document.resetBlackConversionProperties({m_document.blackConversionType()});
    case Action::paste:
        return paste();
    case Action::changeImageOffsetBase:
        if (argument.canConvert<OffsetBase>()) {
            m_document.changeImageOffsetBase(argument.value<OffsetBase>());
        }
        return;
    case Action::changeCanvas:
        return m_document.changeCanvas(canvasNamed(m_document, argument.toString()));
    case Action::changeTransportType:
        return m_document.changeTransportType(
            argument.canConvert<TransportType>()
                ? std::optional<TransportType>(argument.value<TransportType>())
                : std::nullopt);
    case Action::changeBlackConversionType:
        if (argument.canConvert<BlackConversionType>()) {
            m_document.changeBlackConversionType(argument.value<BlackConversionType>());
        }
        return;
    case Action::none:
    case Action::printDocument:
    case Action::other:
        return;
    }
}

DocumentActions::ItemState DocumentActions::validate(Action action,
                                                     const QVariant& argument) const {
    const bool picture = m_document.originalImage() != nullptr;
    ItemState state;
    switch (action) {
    case Action::none:
        return state;
    case Action::resetImageRepeatCount:
        state.enabled =
            picture && (m_document.imageRepeatXCount() > 1 || m_document.imageRepeatYCount() > 1);
        return state;
    case Action::printDocument:
        if (m_presenter && m_presenter->isPresentingBusyMaintenance()) {
            return state;
        }
        if (const auto& descriptor = m_document.deviceDescriptor()) {
            state.title = descriptor->printMenuItemTitle();
        }
        state.enabled = picture;
        return state;
    case Action::paste:
        state.enabled = ImageImport::acceptsImagePasteboard(
            m_presenter ? m_presenter->generalPasteboard() : nullptr);
        return state;
    case Action::rotateRight:
    case Action::rotateLeft:
    case Action::resizeImageScaleToFit:
        state.enabled = picture;
        return state;
    case Action::flipImageHorizontally:
        state.enabled = picture;
        state.checked = m_document.flipsImageHorizontal();
        return state;
    case Action::resetPosition: {
        const Point_mm offset = m_document.imageOffset_mm();
        state.enabled = picture && (offset.x != 0 || offset.y != 0);
        return state;
    }
    case Action::resizeImageToActualSize:
        state.enabled = picture;
        state.title = menuText(picture && !m_document.originalImage()->isVector()
                                   ? QStringLiteral("DotByDot")
                                   : QStringLiteral("ActualSize"));
        return state;
    case Action::changeImageOffsetBase:
        state.enabled = true;
        state.checked = argument.canConvert<OffsetBase>() &&
                        argument.value<OffsetBase>() == m_document.imageOffsetBase();
        return state;
    case Action::changeCanvas:
        state.enabled = true;
        state.checked =
            m_document.canvas() && m_document.canvas()->identifier() == argument.toString();
        return state;
    case Action::changeTransportType:
        state.enabled = true;
        state.checked = argument.canConvert<TransportType>() && m_document.transportType() &&
                        *m_document.transportType() == argument.value<TransportType>();
        return state;
    case Action::changeBlackConversionType:
        state.enabled = true;
        state.checked = argument.canConvert<BlackConversionType>() &&
                        m_document.blackConversionType() == argument.value<BlackConversionType>();
        return state;
    case Action::chooseImage:
    case Action::resizeImageScaleToFitOrActualSizeIfTooLarge:
    case Action::resetHorizontalImageSplit:
    case Action::resetBlackConversionProperties:
    case Action::other:
        state.enabled = true;
        return state;
    }
    return state;
}

} // namespace kestrom
