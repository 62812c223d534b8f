#include "core/document/job/BlackConversionOptionsWrapper.h"

#include <QRegularExpression>

namespace kestrom {

namespace {

const QString thresholdKey = QStringLiteral("threshold");
const QString halftoneKey = QStringLiteral("halftone");

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
    const QRegularExpression thresholdPath(QStringLiteral("^threshold\\.(.+)$"));
    const QRegularExpression halftonePath(QStringLiteral("^halftone\\.(.+)$"));
    if (const auto match = thresholdPath.match(optionsKeyPath); match.hasMatch()) {
        const QString key = match.captured(1);
        if (key == QLatin1String("threshold")) {
            return QStringLiteral("changingBitmapConversionThreshold");
        }
        if (key == QLatin1String("expansionLevel")) {
            return QStringLiteral("changingBitmapExpansionLevel");
        }
        return std::nullopt;
    }
    if (const auto match = halftonePath.match(optionsKeyPath); match.hasMatch()) {
        const QString key = match.captured(1);
        if (key == QLatin1String("linesPerInch")) {
            return QStringLiteral("changingHalftoneOption");
        }
        if (key == QLatin1String("brightnessFactor") || key == QLatin1String("blackClampFactor") ||
            key == QLatin1String("whiteClampFactor")) {
            return QStringLiteral("changingImageBrightness");
        }
    }
    return std::nullopt;
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
