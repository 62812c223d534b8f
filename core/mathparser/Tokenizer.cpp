#include "core/mathparser/Tokenizer.h"

#include "core/mathparser/DecimalNumberExtractor.h"
#include "core/mathparser/ExponentExtractor.h"
#include "core/mathparser/FractionNumberExtractor.h"
#include "core/mathparser/HexNumberExtractor.h"
#include "core/mathparser/IdentifierExtractor.h"
#include "core/mathparser/LocalizedNumberExtractor.h"
#include "core/mathparser/OctalNumberExtractor.h"
#include "core/mathparser/OperatorExtractor.h"
#include "core/mathparser/ParserLimits.h"
#include "core/mathparser/QuotedVariableExtractor.h"
#include "core/mathparser/TokenCharacters.h"
#include "core/mathparser/VariableExtractor.h"

namespace kestrom {

Tokenizer::Tokenizer(const QString& string, const Configuration& configuration)
    : m_string(string), m_configuration(configuration),
      m_buffer(std::make_shared<TokenCharacterBuffer>(string)) {
    const OperatorTokenSet& operatorTokens = m_configuration.operatorSet->operatorTokenSet();
    m_extractors.push_back(std::make_shared<HexNumberExtractor>());
    m_extractors.push_back(std::make_shared<OctalNumberExtractor>());
    if (m_configuration.locale) {
        m_extractors.push_back(std::make_shared<LocalizedNumberExtractor>(*m_configuration.locale));
    } else {
        m_extractors.push_back(std::make_shared<DecimalNumberExtractor>());
    }
    m_extractors.push_back(std::make_shared<FractionNumberExtractor>());
    m_extractors.push_back(std::make_shared<ExponentExtractor>());
    m_extractors.push_back(
        std::make_shared<VariableExtractor>(IdentifierExtractor(operatorTokens)));
    m_extractors.push_back(std::make_shared<QuotedVariableExtractor>());
    m_extractors.push_back(std::make_shared<OperatorExtractor>(operatorTokens));
    m_extractors.push_back(std::make_shared<IdentifierExtractor>(operatorTokens));
}

Tokenizer::Tokenizer(const QString& string, std::shared_ptr<OperatorSet> operatorSet,
                     std::optional<QLocale> locale)
    : Tokenizer(string, withOperatorSetAndLocale(std::move(operatorSet), std::move(locale))) {}

Configuration Tokenizer::withOperatorSetAndLocale(std::shared_ptr<OperatorSet> operatorSet,
                                                  std::optional<QLocale> locale) {
    Configuration configuration = Configuration::defaultConfiguration();
    configuration.operatorSet = std::move(operatorSet);
    configuration.locale = std::move(locale);
    return configuration;
}

std::vector<RawToken> Tokenizer::tokenize() const {
    TokenCharacterBuffer& buffer = *m_buffer;
    if (buffer.count() > ParserLimits::maximumLength) {
        throw MathParserError(MathParserError::Case::invalidFormat,
                              {ParserLimits::maximumLength, buffer.count()});
    }
    std::vector<RawToken> tokens;
    while (true) {
        while (!buffer.isAtEnd() && TokenCharacters::isWhitespace(buffer.current())) {
            ++buffer.currentIndex;
        }
        if (buffer.isAtEnd()) {
            return tokens;
        }
        const int start = buffer.currentIndex;
        std::vector<MathParserError> failures;
        bool produced = false;
        for (const auto& extractor : m_extractors) {
            // A failed extractor may have moved the position; the next start
            // test sees it there, and every extraction starts from the token's start.
            if (!extractor->canBegin(buffer, m_configuration)) {
                continue;
            }
            buffer.currentIndex = start;
            const TokenOrError result = extractor->extractToken(buffer, m_configuration);
            if (result.hasValue()) {
                tokens.push_back(result.value());
                produced = true;
                break;
            }
            failures.push_back(result.error());
        }
        if (!produced) {
            if (!failures.empty()) {
                throw failures.front();
            }
            return tokens;
        }
    }
}

} // namespace kestrom
