#pragma once

#include "core/document/job/UndoActionName.h"
#include "model/pictures/BlackConversionHalftoneOption.h"
#include "platform/Observable.h"

#include <QStringList>
#include <QVariantMap>

namespace kestrom {

// The halftone options of a document as an observable object. Setting
// "angle_deg" keeps the IEEE remainder by 360 (so -180 ... 180); the three
// factors are clamped to their ranges; "linesPerInch" is stored as given. A
// value that is not a finite number is ignored.
class HalftoneWrapper : public platform::Observable {
public:
    using Option = ambrel::BlackConversionHalftoneOption;

    // Stored as given, without clamping.
    explicit HalftoneWrapper(const Option& rawValue);

    const Option& rawValue() const { return m_rawValue; }
    void setRawValue(const Option& rawValue);
    double linesPerInch() const { return m_rawValue.linesPerInch; }
    void setLinesPerInch(double value);
    double angle_deg() const { return m_rawValue.angle_deg; }
    void setAngle_deg(double value);
    double brightnessFactor() const { return m_rawValue.brightnessFactor; }
    void setBrightnessFactor(double value);
    double blackClampFactor() const { return m_rawValue.blackClampFactor; }
    void setBlackClampFactor(double value);
    double whiteClampFactor() const { return m_rawValue.whiteClampFactor; }
    void setWhiteClampFactor(double value);

    // Every option but the angle, which a saved document does not keep.
    QVariantMap dictionaryForSave() const;
    // Reads the keys it saves, clamped like the setters; a missing key or a
    // value of another kind leaves the field as it is. Writes directly,
    // without notifying.
    void loadDictionaryForSave(const QVariantMap& dictionary);

    static QStringList allKeys();
    // The undo step a user's change of the option makes; nothing for the angle.
    static std::optional<UndoActionName> undoActionName(const QString& key);

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QString& key, const QVariant& value) override;

private:
    void store(const QString& key, double value);

    Option m_rawValue;
};

} // namespace kestrom
