#pragma once

#include "core/document/job/UndoActionName.h"
#include "model/pictures/BlackConversionThresholdOption.h"
#include "platform/Observable.h"

#include <QStringList>
#include <QVariantMap>

namespace kestrom {

// The threshold options of a document as an observable object: "threshold"
// and "expansionLevel", clamped to their ranges when set. A value that is
// not a finite number is ignored.
class ThresholdWrapper : public platform::Observable {
public:
    using Option = ambrel::BlackConversionThresholdOption;

    // Stored as given, without clamping.
    explicit ThresholdWrapper(const Option& rawValue);

    const Option& rawValue() const { return m_rawValue; }
    void setRawValue(const Option& rawValue);
    double threshold() const { return m_rawValue.threshold; }
    void setThreshold(double threshold);
    qint64 expansionLevel() const { return m_rawValue.expansionLevel; }
    void setExpansionLevel(qint64 level);

    // {"threshold": double, "expansionLevel": integer}
    QVariantMap dictionaryForSave() const;
    // Reads the keys it knows, clamped; a missing key or a value of another
    // kind leaves the field as it is. Writes directly, without notifying.
    void loadDictionaryForSave(const QVariantMap& dictionary);

    // The keys of the options, in order ("threshold", "expansionLevel").
    static QStringList allKeys();
    // The undo step a user's change of the option makes.
    static std::optional<UndoActionName> undoActionName(const QString& key);

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QString& key, const QVariant& value) override;

private:
    Option m_rawValue;
};

} // namespace kestrom
