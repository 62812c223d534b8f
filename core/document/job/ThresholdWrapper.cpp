#include "core/document/job/ThresholdWrapper.h"

namespace kestrom {

namespace {

const auto& rows = ConversionOptionTable::threshold;

} // namespace

ThresholdWrapper::ThresholdWrapper(const Option& rawValue)
    : ConversionOptionGroup(rows, rawValue) {}

QStringList ThresholdWrapper::allKeys() {
    return ConversionOptionGroup::allKeys(rows);
}

std::optional<UndoActionName> ThresholdWrapper::undoActionName(const QString& key) {
    const Row* r = row(rows, key);
    return r ? r->undoActionName() : std::nullopt;
}

} // namespace kestrom
