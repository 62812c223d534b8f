#include "core/document/job/HalftoneWrapper.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/OptionValue.h"

#include <cmath>

namespace kestrom {

namespace {

using Option = HalftoneWrapper::Option;
using Ranges = Option::ClampedValueRanges;
namespace Key = DocumentKey::Halftone;

// Each option once: its key, its field, the rule a set value follows, the
// undo step a user's change makes and whether a saved document keeps it.
struct Field {
    const QString& key;
    double Option::*member;
    double (*fit)(double);
    std::optional<UndoActionName::Case> undo;
    bool saved;
};

const Field fields[] = {
    {Key::linesPerInch, &Option::linesPerInch, [](double v) { return v; },
     UndoActionName::Case::changingHalftoneOption, true},
    {Key::angle_deg, &Option::angle_deg, [](double v) { return std::remainder(v, 360.0); },
     std::nullopt, false},
    {Key::brightnessFactor, &Option::brightnessFactor,
     [](double v) { return Ranges::brightnessFactor.clamped(v); },
     UndoActionName::Case::changingImageBrightness, true},
    {Key::blackClampFactor, &Option::blackClampFactor,
     [](double v) { return Ranges::blackClampFactor.clamped(v); },
     UndoActionName::Case::changingImageBrightness, true},
    {Key::whiteClampFactor, &Option::whiteClampFactor,
     [](double v) { return Ranges::whiteClampFactor.clamped(v); },
     UndoActionName::Case::changingImageBrightness, true},
};

const Field* find(const QString& key) {
    for (const Field& f : fields) {
        if (f.key == key) {
            return &f;
        }
    }
    return nullptr;
}

} // namespace

HalftoneWrapper::HalftoneWrapper(const Option& rawValue) : m_rawValue(rawValue) {}

void HalftoneWrapper::setRawValue(const Option& rawValue) {
    for (const Field& f : fields) {
        willChangeValueForKey(f.key);
    }
    m_rawValue = rawValue;
    for (auto f = std::rbegin(fields); f != std::rend(fields); ++f) {
        didChangeValueForKey(f->key);
    }
}

void HalftoneWrapper::setLinesPerInch(double value) {
    store(Key::linesPerInch, value);
}
void HalftoneWrapper::setAngle_deg(double value) {
    store(Key::angle_deg, value);
}
void HalftoneWrapper::setBrightnessFactor(double value) {
    store(Key::brightnessFactor, value);
}
void HalftoneWrapper::setBlackClampFactor(double value) {
    store(Key::blackClampFactor, value);
}
void HalftoneWrapper::setWhiteClampFactor(double value) {
    store(Key::whiteClampFactor, value);
}

void HalftoneWrapper::store(const QString& key, double value) {
    const Field* f = find(key);
    if (!f || !std::isfinite(value)) {
        return;
    }
    notifyChangingValue(key, [&] { m_rawValue.*f->member = f->fit(value); });
}

QVariantMap HalftoneWrapper::dictionaryForSave() const {
    QVariantMap dictionary;
    for (const Field& f : fields) {
        if (f.saved) {
            dictionary.insert(f.key, m_rawValue.*f.member);
        }
    }
    return dictionary;
}

void HalftoneWrapper::loadDictionaryForSave(const QVariantMap& dictionary) {
    for (const Field& f : fields) {
        if (!f.saved) {
            continue;
        }
        if (auto number = OptionValue::finiteNumber(dictionary.value(f.key))) {
            m_rawValue.*f.member = f.fit(*number);
        }
    }
}

QStringList HalftoneWrapper::allKeys() {
    QStringList keys;
    for (const Field& f : fields) {
        keys << f.key;
    }
    return keys;
}

std::optional<UndoActionName> HalftoneWrapper::undoActionName(const QString& key) {
    const Field* f = find(key);
    return f && f->undo ? std::optional<UndoActionName>(*f->undo) : std::nullopt;
}

QVariant HalftoneWrapper::valueForKey(const QString& key) const {
    if (const Field* f = find(key)) {
        return m_rawValue.*f->member;
    }
    return Observable::valueForKey(key);
}

void HalftoneWrapper::setValueForKey(const QString& key, const QVariant& value) {
    if (!find(key)) {
        Observable::setValueForKey(key, value);
        return;
    }
    if (auto number = OptionValue::finiteNumber(value)) {
        store(key, *number);
    }
}

} // namespace kestrom
