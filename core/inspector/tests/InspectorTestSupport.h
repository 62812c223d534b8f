#pragma once

#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorDocument.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneRegistry.h"
#include "core/inspector/InspectorPaneViewController.h"

#include "model/DeviceDescriptor.h"
#include "platform/UndoManager.h"

#include <QMimeData>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace kestrom::test {

// A model decoded from a description with the given extra keys.
inline std::shared_ptr<const ambrel::DeviceDescriptor> model(const QByteArray& extra = {}) {
    QByteArray json = R"([{"modelName": "M1", "displayName": "Model", "printerType": "test",
        "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
        "dpi": 300, "headDotCount": 600,
        "offsetBases": ["topLeft", "top", "center", "bottomRight"])";
    if (!extra.isEmpty()) {
        json += ", " + extra;
    }
    json += "}]";
    return ambrel::DeviceDescriptor::deviceDescriptors(
               json, platform::Bundle::named(QStringLiteral("InspectorTestPlugin")))
        .front();
}

inline const QByteArray printerOptions =
    R"("parameterProperties": [{"type": "number", "identifier": "speed", "pane": "PrinterOptions",
        "minValue": 1, "maxValue": 9}])";

// The undo stacks of a fake document: every registration outside a group is
// a step of its own, as the tests make changes without running the event
// loop. count() is the number of steps done less those undone.
class FakeUndoManager : public platform::UndoManager {
public:
    FakeUndoManager() { setGroupsByEvent(false); }
    int count() const { return int(changeCount()); }
};

// The print document as the panes see it, with undo through an undo manager:
// every setter that changes a value registers one step and announces the key.
class FakeInspectorDocument : public InspectorDocument {
public:
    std::shared_ptr<const ambrel::DeviceDescriptor> device = model();
    ambrel::OffsetBase base = ambrel::OffsetBase::topLeft;
    ambrel::Point_mm offset{10, 20};
    ambrel::Size_mm size{100, 50};
    QMarginsF overflow;
    bool hasImage = true;
    bool vector = false;
    int xCount = 1;
    int yCount = 1;
    double xMargin = 0;
    double yMargin = 0;
    double minimumSeparated = 70;
    double maximumBlack = 150;
    double whitespaceEnd = 0;
    // Mutable: the panes reach it through a const document.
    mutable FakeUndoManager undo;
    int actualSizeRequests = 0;
    bool viewing = false;
    int orientation = 0;
    bool flips = false;
    QUrl fileURL = QUrl::fromLocalFile(QStringLiteral("/nowhere/logo.png"));
    QByteArray imageData = QByteArrayLiteral("picture bytes");
    QVariantMap setting;
    bool hasSetting = true;
    ambrel::BlackConversionType conversion = ambrel::BlackConversionType::threshold;
    QHash<QString, double> options{{QStringLiteral("threshold.threshold"), 0.5},
                                   {QStringLiteral("threshold.expansionLevel"), 0},
                                   {QStringLiteral("halftone.blackClampFactor"), 0},
                                   {QStringLiteral("halftone.whiteClampFactor"), 0},
                                   {QStringLiteral("halftone.brightnessFactor"), 0}};
    QList<QUrl> droppedURLs;
    int openPanelRequests = 0;
    int printRequests = 0;
    QList<QString> optionWrites;

    std::shared_ptr<const ambrel::DeviceDescriptor> deviceDescriptor() const override {
        return device;
    }
    ambrel::OffsetBase imageOffsetBase() const override { return base; }
    void changeImageOffsetBase(ambrel::OffsetBase b) override {
        set(base, b, QStringLiteral("imageOffsetBase"));
    }
    ambrel::Point_mm imageOffset_mm() const override { return offset; }
    void setImageOffset_mm(ambrel::Point_mm o) override {
        set(offset, o, QStringLiteral("imageOffset_mm"));
    }
    ambrel::Size_mm imageSizeForDisplay_mm() const override { return size; }
    void setImageSizeWithWidthForDisplay_mm(double w) override {
        set(size, ambrel::Size_mm{w, w * size.height / size.width},
            QStringLiteral("imageSizeForDisplay_mm"));
    }
    void setImageSizeWithHeightForDisplay_mm(double h) override {
        set(size, ambrel::Size_mm{h * size.width / size.height, h},
            QStringLiteral("imageSizeForDisplay_mm"));
    }
    QMarginsF imageOverflownAmount_mm() const override { return overflow; }
    bool hasOriginalImage() const override { return hasImage; }
    bool originalImageIsVector() const override { return vector; }
    void resizeImageToActualSize() override { ++actualSizeRequests; }
    int imageRepeatXCount() const override { return xCount; }
    void setImageRepeatXCount(int n) override {
        set(xCount, n, QStringLiteral("imageRepeatXCount"));
    }
    int imageRepeatYCount() const override { return yCount; }
    void setImageRepeatYCount(int n) override {
        set(yCount, n, QStringLiteral("imageRepeatYCount"));
    }
    double imageRepeatXMargin_mm() const override { return xMargin; }
    void setImageRepeatXMargin_mm(double m) override {
        set(xMargin, m, QStringLiteral("imageRepeatXMargin_mm"));
    }
    double imageRepeatYMargin_mm() const override { return yMargin; }
    void setImageRepeatYMargin_mm(double m) override {
        set(yMargin, m, QStringLiteral("imageRepeatYMargin_mm"));
    }
    void resetImageRepeatCount() override {
        undo.beginUndoGrouping();
        setImageRepeatXCount(1);
        setImageRepeatYCount(1);
        undo.endUndoGrouping();
    }
    double minimumSeparatedXMargin_mm() const override { return minimumSeparated; }
    void setMinimumSeparatedXMargin_mm(double m) override {
        set(minimumSeparated, m, QStringLiteral("minimumSeparatedXMargin_mm"));
    }
    double maximumBlackXLength_mm() const override { return maximumBlack; }
    void setMaximumBlackXLength_mm(double l) override {
        set(maximumBlack, l, QStringLiteral("maximumBlackXLength_mm"));
    }
    double additionalWhitespaceLength_end_mm() const override { return whitespaceEnd; }
    void setAdditionalWhitespaceLength_end_mm(double l) override {
        set(whitespaceEnd, std::max(0.0, l), QStringLiteral("additionalWhitespaceLength_end_mm"));
    }
    void resetHorizontalImageSplit() override {
        undo.beginUndoGrouping();
        setMinimumSeparatedXMargin_mm(70);
        setMaximumBlackXLength_mm(150);
        undo.endUndoGrouping();
    }

    QUrl originalImageFileURL() const override { return hasImage ? fileURL : QUrl(); }
    QByteArray originalImageData() const override { return hasImage ? imageData : QByteArray(); }
    QString imageOriginalSizeDescription() const override {
        return hasImage ? QStringLiteral("640 × 480 px") : QString();
    }
    QImage originalImageThumbnail(const QSize& maximumSize) const override {
        if (!hasImage) {
            return {};
        }
        QImage image(maximumSize.boundedTo(QSize(96, 72)), QImage::Format_RGB32);
        image.fill(Qt::darkGray);
        return image;
    }
    void rotateImage(int turns) override {
        set(orientation, ((orientation + turns) % 4 + 4) % 4, QStringLiteral("imageOrientation"));
    }
    bool flipsImageHorizontal() const override { return flips; }
    void setFlipsImageHorizontal(bool f) override {
        set(flips, f, QStringLiteral("flipsImageHorizontal"));
    }
    bool acceptsImageDrop(const QMimeData* data, bool fromThisApplication) const override {
        return !fromThisApplication && data && data->hasUrls();
    }
    void importImageDrop(const QMimeData* data, bool) override {
        droppedURLs.append(data->urls());
        hasImage = true;
        announce(QStringLiteral("originalImage"));
    }
    void presentImageOpenPanel() override { ++openPanelRequests; }
    bool inViewingMode() const override { return viewing; }
    void printDocument() override { ++printRequests; }
    bool hasCurrentDeviceSetting() const override { return hasSetting; }
    QVariant deviceSettingValue(const QString& identifier) const override {
        return setting.value(identifier);
    }
    void setDeviceSettingValue(const QString& identifier, const QVariant& value) override {
        QVariantMap changed = setting;
        changed.insert(identifier, value);
        set(setting, changed, QStringLiteral("currentDeviceSetting.") + identifier);
    }
    ambrel::BlackConversionType blackConversionType() const override { return conversion; }
    void changeBlackConversionType(ambrel::BlackConversionType type) override {
        set(conversion, type, QStringLiteral("blackConversionType"));
    }
    double blackConversionOption(const QString& keyPath) const override {
        return options.value(keyPath);
    }
    void setBlackConversionOption(const QString& keyPath, double value) override {
        optionWrites.append(keyPath);
        QHash<QString, double> changed = options;
        changed.insert(keyPath, value);
        set(options, changed, QStringLiteral("blackConversionOptions.") + keyPath);
    }
    void resetBlackConversionProperties(const QList<ambrel::BlackConversionType>& types) override {
        undo.beginUndoGrouping();
        if (types.contains(ambrel::BlackConversionType::threshold)) {
            setBlackConversionOption(QStringLiteral("threshold.threshold"), 0.5);
            setBlackConversionOption(QStringLiteral("threshold.expansionLevel"), 0);
        }
        if (types.contains(ambrel::BlackConversionType::halftone)) {
            setBlackConversionOption(QStringLiteral("halftone.blackClampFactor"), 0);
            setBlackConversionOption(QStringLiteral("halftone.whiteClampFactor"), 0);
            setBlackConversionOption(QStringLiteral("halftone.brightnessFactor"), 0);
        }
        undo.endUndoGrouping();
    }
    platform::UndoManager* undoManager() const override { return &undo; }

    // Changes a value behind the panes' back, as a script or the canvas would.
    void announce(const QString& key) { Q_EMIT valueChanged(key); }

private:
    template <typename T> void set(T& field, T value, const QString& key) {
        if (field == value) {
            return;
        }
        swapAndRegister(field, std::move(value), key);
    }

    // Undoing swaps back and registers the swap that redoes it.
    template <typename T> void swapAndRegister(T& field, T other, const QString& key) {
        std::swap(field, other);
        announce(key);
        undo.registerUndo([this, &field, other, key] { swapAndRegister(field, other, key); });
    }
};

// Focuses the field (its window shown and active) and types into it.
inline void typeInto(InspectorNumberTextField* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

inline void typeAndReturn(InspectorNumberTextField* field, const QString& text) {
    typeInto(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

inline void showAndActivate(QWidget* window) {
    window->show();
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window);
}

// A stand-in pane for pages whose real pane lives elsewhere.
inline void registerStandInPanes(const QStringList& identifiers) {
    for (const QString& id : identifiers) {
        if (!InspectorPaneRegistry::shared().contains(id)) {
            InspectorPaneRegistry::shared().registerPane(id, [id] {
                auto* pane = new InspectorPaneViewController;
                pane->setObjectName(id);
                pane->setMinimumHeight(40);
                return pane;
            });
        }
    }
}

} // namespace kestrom::test
