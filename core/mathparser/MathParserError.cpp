#include "core/mathparser/MathParserError.h"

namespace kestrom {

bool operator==(const MathParserError::Kind& a, const MathParserError::Kind& b) {
    if (a.m_case != b.m_case) {
        return false;
    }
    switch (a.m_case) {
    case MathParserError::Case::missingLeftOperand:
    case MathParserError::Case::missingRightOperand:
        if (!a.m_operator || !b.m_operator) {
            return a.m_operator == b.m_operator;
        }
        return *a.m_operator == *b.m_operator;
    case MathParserError::Case::unknownFunction:
    case MathParserError::Case::unknownVariable:
        return a.m_name == b.m_name;
    default:
        return true;
    }
}

MathParserError::MathParserError(Kind kind, CharacterRange range)
    : platform::Error(errorDomain(), qint64(kind.value())), m_kind(std::move(kind)),
      m_range(range) {}

std::shared_ptr<const platform::Error> MathParserError::clone() const {
    return std::make_shared<MathParserError>(*this);
}

void MathParserError::raise() const {
    throw *this;
}

} // namespace kestrom
