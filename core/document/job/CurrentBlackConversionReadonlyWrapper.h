#pragma once

#include "model/pictures/BlackConversion.h"

#include <QMetaType>

#include <memory>

namespace kestrom {

// One complete conversion (type and options), handed to observers of the
// document's current conversion. It never changes after it is made.
class CurrentBlackConversionReadonlyWrapper {
public:
    explicit CurrentBlackConversionReadonlyWrapper(const ambrel::BlackConversion& blackConversion)
        : m_blackConversion(blackConversion) {}

    const ambrel::BlackConversion& blackConversion() const { return m_blackConversion; }

private:
    ambrel::BlackConversion m_blackConversion;
};

} // namespace kestrom

Q_DECLARE_METATYPE(std::shared_ptr<const kestrom::CurrentBlackConversionReadonlyWrapper>)
