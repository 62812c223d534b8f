#include "core/document/job/HalftoneWrapper.h"

#include "core/document/job/DocumentKey.h"

namespace kestrom {

namespace {

const auto& rows = ConversionOptionTable::halftone;

} // namespace

HalftoneWrapper::HalftoneWrapper(const Option& rawValue) : ConversionOptionGroup(rows, rawValue) {}

void HalftoneWrapper::setLinesPerInch(double value) {
    store(DocumentKey::Halftone::linesPerInch, value);
}
void HalftoneWrapper::setAngle_deg(double value) {
    store(DocumentKey::Halftone::angle_deg, value);
}
void HalftoneWrapper::setBrightnessFactor(double value) {
    store(DocumentKey::Halftone::brightnessFactor, value);
}
void HalftoneWrapper::setBlackClampFactor(double value) {
    store(DocumentKey::Halftone::blackClampFactor, value);
}
void HalftoneWrapper::setWhiteClampFactor(double value) {
    store(DocumentKey::Halftone::whiteClampFactor, value);
}

QStringList HalftoneWrapper::allKeys() {
    return ConversionOptionGroup::allKeys(rows);
}

std::optional<UndoActionName> HalftoneWrapper::undoActionName(const QString& key) {
    const Row* r = row(rows, key);
    return r ? r->undoActionName() : std::nullopt;
}

} // namespace kestrom
