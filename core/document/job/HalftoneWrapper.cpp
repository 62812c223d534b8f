#include "core/document/job/HalftoneWrapper.h"

namespace kestrom {

namespace {

const auto& rows = ConversionOptionTable::halftone;

} // namespace

HalftoneWrapper::HalftoneWrapper(const Option& rawValue) : ConversionOptionGroup(rows, rawValue) {}

QStringList HalftoneWrapper::allKeys() {
    return ConversionOptionGroup::allKeys(rows);
}

std::optional<UndoActionName> HalftoneWrapper::undoActionName(const QString& key) {
    const Row* r = row(rows, key);
    return r ? r->undoActionName() : std::nullopt;
}

} // namespace kestrom
