#pragma once

#include "core/mathparser/OperatorSet.h"

#include <QLocale>

#include <memory>
#include <optional>

namespace kestrom {

// The parser's settings, passed by value to every stage.
struct Configuration {
    std::shared_ptr<OperatorSet> operatorSet = OperatorSet::defaultSet();
    // With a locale, numbers are read with its symbols instead of the C grammar.
    std::optional<QLocale> locale;
    bool allowZeroLengthVariables = false;
    bool unescapesQuotedVariables = true;
    bool allowArgumentlessFunctions = true;
    bool allowImplicitMultiplication = true;
    bool useHighPrecedenceImplicitMultiplication = true;

    static const Configuration& defaultConfiguration();
};

} // namespace kestrom
