#pragma once

#include "core/mathparser/Configuration.h"
#include "core/mathparser/RawToken.h"
#include "core/mathparser/TokenCharacterBuffer.h"
#include "core/mathparser/TokenExtractor.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kestrom {

// Cuts an expression text into raw tokens by asking a fixed, ordered list of
// extractors at each position. A tokenizer is used once; copies share the
// position in the text.
class Tokenizer {
public:
    Tokenizer(const QString& string, const Configuration& configuration);
    // Older form: the default configuration with another operator set and locale.
    Tokenizer(const QString& string, std::shared_ptr<OperatorSet> operatorSet,
              std::optional<QLocale> locale);

    // Throws the first MathParserError; no tokens are returned then.
    std::vector<RawToken> tokenize() const;

    const QString& string() const { return m_string; }
    const Configuration& configuration() const { return m_configuration; }
    const std::shared_ptr<TokenCharacterBuffer>& buffer() const { return m_buffer; }

private:
    static Configuration withOperatorSetAndLocale(std::shared_ptr<OperatorSet> operatorSet,
                                                  std::optional<QLocale> locale);

    QString m_string;
    Configuration m_configuration;
    std::shared_ptr<TokenCharacterBuffer> m_buffer;
    std::vector<std::shared_ptr<const TokenExtractor>> m_extractors;
};

} // namespace kestrom
