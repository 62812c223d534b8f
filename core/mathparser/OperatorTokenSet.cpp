#include "core/mathparser/OperatorTokenSet.h"

#include "core/mathparser/TokenCharacterBuffer.h"

namespace kestrom {

OperatorTokenSet OperatorTokenSet::fromKnownTokens(const QSet<QString>& knownTokens) {
    OperatorTokenSet set;
    for (const QString& token : knownTokens) {
        for (const QString& form : {token, token.toLower()}) {
            set.tokens.insert(form.normalized(QString::NormalizationForm_C));
            QString prefix;
            for (const QString& character : TokenCharacterBuffer::characters(form)) {
                set.characters.insert(character);
                prefix += character;
                set.prefixes.insert(prefix);
            }
        }
    }
    return set;
}

} // namespace kestrom
