#include "core/document/job/BlackConversionOptionsWrapper.h"

#include "core/document/job/DocumentKey.h"

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
    QStringList paths;
    for (const QString& key : ThresholdWrapper::allKeys()) {
        paths << thresholdKey + u'.' + key;
    }
    for (const QString& key : HalftoneWrapper::allKeys()) {
        paths << halftoneKey + u'.' + key;
    }
    return paths;
}

std::optional<QString>
BlackConversionOptionsWrapper::undoActionName(const QString& optionsKeyPath) {
    const QString group = optionsKeyPath.section(u'.', 0, 0);
    const QString key = optionsKeyPath.section(u'.', 1);
    if (key.isEmpty()) {
        return std::nullopt;
    }
    std::optional<UndoActionName> name;
    if (group == thresholdKey) {
        name = ThresholdWrapper::undoActionName(key);
    } else if (group == halftoneKey) {
        name = HalftoneWrapper::undoActionName(key);
    }
    return name ? std::optional<QString>(name->rawValue()) : std::nullopt;
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
