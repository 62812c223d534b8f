#include "platform/StringsFile.h"

#include <optional>

namespace platform {

namespace {

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    QHash<QString, QString> run(QString* error) {
        QHash<QString, QString> result;
        while (true) {
            skipSpaceAndComments();
            if (atEnd()) {
                break;
            }
            auto key = token();
            skipSpaceAndComments();
            if (!key) {
                return fail(result, error, QStringLiteral("expected a key"));
            }
            if (peek() == u';') {
                // `"key";` stands for a key whose text is itself.
                ++m_pos;
                result.insert(*key, *key);
                continue;
            }
            if (peek() != u'=') {
                return fail(result, error, QStringLiteral("expected '='"));
            }
            ++m_pos;
            skipSpaceAndComments();
            auto value = token();
            if (!value) {
                return fail(result, error, QStringLiteral("expected a value"));
            }
            skipSpaceAndComments();
            if (peek() != u';') {
                return fail(result, error, QStringLiteral("expected ';'"));
            }
            ++m_pos;
            result.insert(*key, *value);
        }
        return result;
    }

private:
    QHash<QString, QString> fail(QHash<QString, QString> partial, QString* error,
                                 const QString& what) {
        if (error) {
            *error = QStringLiteral("%1 at offset %2").arg(what).arg(m_pos);
        }
        return partial;
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }

    void skipSpaceAndComments() {
        while (!atEnd()) {
            if (peek().isSpace() || peek() == QChar(0xFEFF)) {
                ++m_pos;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("/*")) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                m_pos = end < 0 ? m_text.size() : end + 2;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("//")) {
                const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                break;
            }
        }
    }

    std::optional<QString> token() {
        if (peek() == u'"') {
            return quoted();
        }
        const qsizetype start = m_pos;
        while (!atEnd() && (peek().isLetterOrNumber() || peek() == u'_' || peek() == u'.' ||
                            peek() == u'-' || peek() == u'$' || peek() == u'/' || peek() == u':')) {
            ++m_pos;
        }
        if (m_pos == start) {
            return std::nullopt;
        }
        return m_text.mid(start, m_pos - start);
    }

    std::optional<QString> quoted() {
        ++m_pos; // opening quote
        QString out;
        while (!atEnd()) {
            const QChar c = m_text[m_pos++];
            if (c == u'"') {
                return out;
            }
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (atEnd()) {
                return std::nullopt;
            }
            const QChar e = m_text[m_pos++];
            switch (e.unicode()) {
            case 'n':
                out += u'\n';
                break;
            case 't':
                out += u'\t';
                break;
            case 'r':
                out += u'\r';
                break;
            case '0':
                out += QChar(0);
                break;
            case 'U':
            case 'u': {
                bool ok = false;
                const uint code = m_text.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok || m_pos + 4 > m_text.size()) {
                    return std::nullopt;
                }
                m_pos += 4;
                out += QChar(char16_t(code));
                break;
            }
            default:
                out += e;
                break;
            }
        }
        return std::nullopt;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

QHash<QString, QString> StringsFile::parse(const QByteArray& utf8, QString* errorMessage) {
    const QString text = QString::fromUtf8(utf8);
    return Parser(text).run(errorMessage);
}

} // namespace platform
