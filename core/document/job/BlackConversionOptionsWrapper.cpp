#include "core/document/job/BlackConversionOptionsWrapper.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/OptionValue.h"

namespace kestrom {

namespace {

const QString& thresholdKey = DocumentKey::OptionGroup::threshold;
const QString& halftoneKey = DocumentKey::OptionGroup::halftone;

} // namespace

BlackConversionOptionsWrapper::BlackConversionOptionsWrapper()
    : m_threshold(ThresholdWrapper::Option{}), m_halftone(HalftoneWrapper::Option{}) {}

QVariantMap BlackConversionOptionsWrapper::dictionaryForSave() const {
    return {{thresholdKey, m_threshold.dictionaryForSave()},
            {halftoneKey, m_halftone.dictionaryForSave()}};
}

void BlackConversionOptionsWrapper::loadDictionaryForSave(const QVariantMap& dictionary) {
    const QVariant threshold = dictionary.value(thresholdKey);
    if (threshold.typeId() == QMetaType::QVariantMap) {
        m_threshold.loadDictionaryForSave(threshold.toMap());
    }
    const QVariant halftone = dictionary.value(halftoneKey);
    if (halftone.typeId() == QMetaType::QVariantMap) {
        m_halftone.loadDictionaryForSave(halftone.toMap());
    }
}

QStringList BlackConversionOptionsWrapper::allKeyPaths() {
    return keyPaths(~0u);
}

namespace {

template <typename Rows>
void addPaths(QStringList& paths, const QString& group, const Rows& rows, unsigned effects) {
    for (const auto& row : rows) {
        if (row.effects & effects) {
            paths << group + u'.' + QLatin1String(row.key);
        }
    }
}

// Calls use(row) with the row of the key path, if there is one.
template <typename Use> bool withRow(const QString& optionsKeyPath, Use use) {
    const QString group = optionsKeyPath.section(u'.', 0, 0);
    const QString key = optionsKeyPath.section(u'.', 1);
    if (group == thresholdKey) {
        if (const auto* row = ThresholdWrapper::row(ConversionOptionTable::threshold, key)) {
            use(*row);
            return true;
        }
    } else if (group == halftoneKey) {
        if (const auto* row = HalftoneWrapper::row(ConversionOptionTable::halftone, key)) {
            use(*row);
            return true;
        }
    }
    return false;
}

} // namespace

QStringList BlackConversionOptionsWrapper::keyPaths(unsigned effects) {
    QStringList paths;
    addPaths(paths, thresholdKey, ConversionOptionTable::threshold, effects);
    addPaths(paths, halftoneKey, ConversionOptionTable::halftone, effects);
    return paths;
}

std::optional<UndoActionName>
BlackConversionOptionsWrapper::undoActionName(const QString& optionsKeyPath) {
    std::optional<UndoActionName> name;
    withRow(optionsKeyPath, [&](const auto& row) { name = row.undoActionName(); });
    return name;
}

std::optional<QVariant> BlackConversionOptionsWrapper::fittedValue(const QString& optionsKeyPath,
                                                                   const QVariant& value) {
    const auto number = OptionValue::finiteNumber(value);
    if (!number) {
        return std::nullopt;
    }
    std::optional<QVariant> fitted;
    withRow(optionsKeyPath, [&](const auto& row) {
        const double stored = row.fitted(*number);
        fitted = row.whole ? QVariant(qint64(stored)) : QVariant(stored);
    });
    return fitted;
}

platform::Observable* BlackConversionOptionsWrapper::objectForKey(const QString& key) const {
    auto* self = const_cast<BlackConversionOptionsWrapper*>(this);
    if (key == thresholdKey) {
        return &self->m_threshold;
    }
    if (key == halftoneKey) {
        return &self->m_halftone;
    }
    return nullptr;
}

} // namespace kestrom
