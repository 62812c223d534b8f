#include "core/document/job/ThresholdWrapper.h"

#include "core/document/job/DocumentKey.h"

namespace kestrom {

namespace {

const auto& rows = ConversionOptionTable::threshold;

} // namespace

ThresholdWrapper::ThresholdWrapper(const Option& rawValue)
    : ConversionOptionGroup(rows, rawValue) {}

void ThresholdWrapper::setThreshold(double threshold) {
    store(DocumentKey::Threshold::threshold, threshold);
}

void ThresholdWrapper::setExpansionLevel(qint64 level) {
    store(DocumentKey::Threshold::expansionLevel, double(level));
}

QStringList ThresholdWrapper::allKeys() {
    return ConversionOptionGroup::allKeys(rows);
}

std::optional<UndoActionName> ThresholdWrapper::undoActionName(const QString& key) {
    const Row* r = row(rows, key);
    return r ? r->undoActionName() : std::nullopt;
}

} // namespace kestrom
