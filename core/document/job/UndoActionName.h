#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string_view>

namespace kestrom {

// The name of one of the document's undo steps. The raw value is the step's
// name; the Undo menu shows the framework table's text for
// "PrintDocument_UndoActionName_" followed by it, or the raw value when the
// table has none. The steps of the document's own commands are named here;
// a setting's step is named by its row (PrintDocumentPropertyTable.h,
// ConversionOptionTable.h), so a new setting needs nothing here.
class UndoActionName {
public:
    explicit constexpr UndoActionName(const char* rawValue) : m_rawValue(rawValue) {}

    static const UndoActionName changingImage;
    static const UndoActionName addingImage;
    static const UndoActionName deletingImage;
    static const UndoActionName changingImageName;
    static const UndoActionName changingPrinterModel;
    static const UndoActionName changingCanvas;
    static const UndoActionName changingTransportType;
    static const UndoActionName resizingImage;
    static const UndoActionName movingImage;
    static const UndoActionName changingOffsetBase;
    static const UndoActionName changingBlackConversionType;
    static const UndoActionName resettingImageRepeatCount;
    static const UndoActionName resettingImagePosition;
    static const UndoActionName changingDeviceSetting;
    static const UndoActionName resettingHorizontalImageSplit;
    static const UndoActionName resettingBitmapConversionProperties;

    // The document's own steps, then those of the rows in row order, each
    // name once.
    static const QList<UndoActionName>& allCases();
    // One of allCases() by its raw value (case-sensitive).
    static std::optional<UndoActionName> fromRawValue(const QString& rawValue);

    QString rawValue() const { return QString::fromLatin1(m_rawValue); }
    QString localizationKey() const {
        return QStringLiteral("PrintDocument_UndoActionName_") + rawValue();
    }
    // The title of the step as the Undo menu shows it.
    QString displayedName() const;

    constexpr bool operator==(const UndoActionName& other) const {
        return std::string_view(m_rawValue) == std::string_view(other.m_rawValue);
    }

private:
    const char* m_rawValue;
};

inline constexpr UndoActionName UndoActionName::changingImage{"changingImage"};
inline constexpr UndoActionName UndoActionName::addingImage{"addingImage"};
inline constexpr UndoActionName UndoActionName::deletingImage{"deletingImage"};
inline constexpr UndoActionName UndoActionName::changingImageName{"changingImageName"};
inline constexpr UndoActionName UndoActionName::changingPrinterModel{"changingPrinterModel"};
inline constexpr UndoActionName UndoActionName::changingCanvas{"changingCanvas"};
inline constexpr UndoActionName UndoActionName::changingTransportType{"changingTransportType"};
inline constexpr UndoActionName UndoActionName::resizingImage{"resizingImage"};
inline constexpr UndoActionName UndoActionName::movingImage{"movingImage"};
inline constexpr UndoActionName UndoActionName::changingOffsetBase{"changingOffsetBase"};
inline constexpr UndoActionName UndoActionName::changingBlackConversionType{
    "changingBlackConversionType"};
inline constexpr UndoActionName UndoActionName::resettingImageRepeatCount{
    "resettingImageRepeatCount"};
inline constexpr UndoActionName UndoActionName::resettingImagePosition{"resettingImagePosition"};
inline constexpr UndoActionName UndoActionName::changingDeviceSetting{"changingDeviceSetting"};
inline constexpr UndoActionName UndoActionName::resettingHorizontalImageSplit{
    "resettingHorizontalImageSplit"};
inline constexpr UndoActionName UndoActionName::resettingBitmapConversionProperties{
    "resettingBitmapConversionProperties"};

} // namespace kestrom
