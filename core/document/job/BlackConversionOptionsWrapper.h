#pragma once

#include "core/document/job/HalftoneWrapper.h"
#include "core/document/job/ThresholdWrapper.h"
#include "platform/Observable.h"

#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace kestrom {

// A document's options of both conversion types, as objects the inspector
// binds to ("threshold.threshold", "halftone.linesPerInch", ...). Both
// option objects are made once and never replaced.
class BlackConversionOptionsWrapper : public platform::Observable {
public:
    using ThresholdWrapper = kestrom::ThresholdWrapper;
    using HalftoneWrapper = kestrom::HalftoneWrapper;

    // The default options of both types.
    BlackConversionOptionsWrapper();
    BlackConversionOptionsWrapper(const BlackConversionOptionsWrapper&) = delete;
    BlackConversionOptionsWrapper& operator=(const BlackConversionOptionsWrapper&) = delete;

    ThresholdWrapper& threshold() { return m_threshold; }
    const ThresholdWrapper& threshold() const { return m_threshold; }
    HalftoneWrapper& halftone() { return m_halftone; }
    const HalftoneWrapper& halftone() const { return m_halftone; }

    // {"threshold": {...}, "halftone": {...}}
    QVariantMap dictionaryForSave() const;
    // Each group is read when it is a dictionary.
    void loadDictionaryForSave(const QVariantMap& dictionary);

    // "threshold.<key>" for each threshold key, then "halftone.<key>".
    static QStringList allKeyPaths();
    // The key paths of the options whose rows affect any of the derived
    // values (PropertyEffect bits).
    static QStringList keyPaths(unsigned effects);
    // The undo step of an options key path ("threshold.expansionLevel" gives
    // changingBitmapExpansionLevel); nothing for paths without one.
    static std::optional<UndoActionName> undoActionName(const QString& optionsKeyPath);
    // What setting the value at the key path would store: a finite number
    // brought into the row's range; nothing for other values and paths.
    static std::optional<QVariant> fittedValue(const QString& optionsKeyPath,
                                               const QVariant& value);

    Observable* objectForKey(const QString& key) const override;

private:
    ThresholdWrapper m_threshold;
    HalftoneWrapper m_halftone;
};

} // namespace kestrom
