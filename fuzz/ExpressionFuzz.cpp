// Expressions typed into number fields, parsed and evaluated.

#include "core/mathparser/Evaluator.h"
#include "core/mathparser/Expression.h"
#include "core/mathparser/MathParserError.h"
#include "fuzz/support/FuzzApplication.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const kestrom::Substitutions substitutions = {{"x", 3}, {"y", "$x * 2"}, {"self", "$self + 1"}};
    try {
        kestrom::Evaluator::defaultEvaluator().evaluate(text, substitutions);
    } catch (const kestrom::MathParserError&) {
    }
    try {
        kestrom::Expression::parse(text)->simplify(substitutions,
                                                   kestrom::Evaluator::defaultEvaluator());
    } catch (const kestrom::MathParserError&) {
    }
    return 0;
}
