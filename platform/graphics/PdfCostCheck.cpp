#include "platform/graphics/PdfCostCheck.h"

#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/PdfCover.h"
#include "platform/graphics/PdfSecurityHandler.h"
#include "platform/graphics/PdfTransform.h"

#include <QScopeGuard>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace platform {

namespace {

constexpr qint64 megabyte = 1024 * 1024;
// Dictionaries and arrays nest no deeper than this in any document worth
// reading; deeper ones are skipped, not followed.
constexpr int maximumDepth = 32;

// What a drawing covers is what the library scales an image to before it
// clips it: the box around the unit square under the current transform, in
// the content's own units, no side thinner than a pixel at the resolution a
// print is drawn at.
constexpr double thinnestSide = 72.0 / 600.0;

PdfTransform unboundedTransform() {
    return {PdfCover::largest, 0, 0, PdfCover::largest};
}

// A rectangle whose sides are not known here; a form's box of that kind.
constexpr std::pair<double, double> unknownSides{PdfCover::largest, PdfCover::largest};
constexpr std::pair<double, double> unknownBox{-1, -1};

// Where either of two transforms may be the one the library takes (an
// object or a key given twice), one whose box is at least either's: the
// larger size of each entry.
PdfTransform eitherOf(const PdfTransform& one, const PdfTransform& other) {
    return {
        std::max(std::abs(one.a), std::abs(other.a)), std::max(std::abs(one.b), std::abs(other.b)),
        std::max(std::abs(one.c), std::abs(other.c)), std::max(std::abs(one.d), std::abs(other.d))};
}

bool isWhite(uchar c) {
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

bool isDelimiter(uchar c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}

int hexValue(uchar c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

enum class Kind {
    end,
    name,
    integer,
    real,
    string,
    dictOpen,
    dictClose,
    arrayOpen,
    arrayClose,
    keyword,
    other
};

struct Token {
    Kind kind = Kind::end;
    // Names (with #xx escapes undone) and keywords; longer ones are cut.
    std::array<char, 32> text{};
    int length = 0;
    qint64 value = 0; // integers, saturated
    qint64 start = 0; // where it begins
    // A number too long for `text` or `value`, read whole.
    std::optional<double> longNumber;

    std::string_view view() const { return {text.data(), size_t(length)}; }
    bool is(Kind k, std::string_view t) const { return kind == k && view() == t; }
    void append(char c) {
        if (length < int(text.size())) {
            text[size_t(length++)] = c;
        }
    }
};

// PDF's tokens over a span of bytes; everything it cannot tell apart is
// `other`, so that any bytes at all are read to their end.
class Lexer {
public:
    Lexer(const char* data, qint64 size) : m_p(reinterpret_cast<const uchar*>(data)), m_n(size) {}

    qint64 position() const { return m_at; }
    void seek(qint64 at) { m_at = std::clamp<qint64>(at, 0, m_n); }
    const uchar* bytes() const { return m_p; }
    qint64 size() const { return m_n; }

    Token next() {
        Token token;
        skipSpace();
        token.start = m_at;
        if (m_at >= m_n) {
            return token;
        }
        const uchar c = m_p[m_at];
        switch (c) {
        case '/':
            ++m_at;
            token.kind = Kind::name;
            while (m_at < m_n && !isWhite(m_p[m_at]) && !isDelimiter(m_p[m_at])) {
                if (m_p[m_at] == '#' && m_at + 2 < m_n && hexValue(m_p[m_at + 1]) >= 0 &&
                    hexValue(m_p[m_at + 2]) >= 0) {
                    token.append(char(hexValue(m_p[m_at + 1]) * 16 + hexValue(m_p[m_at + 2])));
                    m_at += 3;
                } else {
                    token.append(char(m_p[m_at++]));
                }
            }
            return token;
        case '<':
            if (m_at + 1 < m_n && m_p[m_at + 1] == '<') {
                m_at += 2;
                token.kind = Kind::dictOpen;
                return token;
            }
            skipTo('>');
            token.kind = Kind::string;
            return token;
        case '>':
            if (m_at + 1 < m_n && m_p[m_at + 1] == '>') {
                m_at += 2;
                token.kind = Kind::dictClose;
            } else {
                ++m_at;
                token.kind = Kind::other;
            }
            return token;
        case '(':
            skipLiteralString();
            token.kind = Kind::string;
            return token;
        case '[':
            ++m_at;
            token.kind = Kind::arrayOpen;
            return token;
        case ']':
            ++m_at;
            token.kind = Kind::arrayClose;
            return token;
        case ')':
        case '{':
        case '}':
            ++m_at;
            token.kind = Kind::other;
            return token;
        default:
            break;
        }
        const qint64 start = m_at;
        const uchar first = m_p[m_at];
        if ((first >= '0' && first <= '9') || first == '+' || first == '-' || first == '.') {
            // The PDF library ends a number at its first character that is no
            // part of one, and the rest starts the next token: "100000\xea0"
            // is the number 100000 to it, so it must be here too.
            bool point = first == '.';
            token.append(char(m_p[m_at++]));
            while (m_at < m_n) {
                const uchar c = m_p[m_at];
                if (c == '.' && !point) {
                    point = true;
                } else if (c < '0' || c > '9') {
                    break;
                }
                token.append(char(m_p[m_at++]));
            }
            token.kind = numberKind(start, m_at, token.value);
            // Beyond 18 digits an integer saturates and a real is cut; the
            // library reads the whole number, and so must this.
            if (m_at - start > 18 && (token.kind == Kind::integer || token.kind == Kind::real)) {
                token.longNumber = std::strtod(
                    std::string(reinterpret_cast<const char*>(m_p + start), size_t(m_at - start))
                        .c_str(),
                    nullptr);
            }
            return token;
        }
        while (m_at < m_n && !isWhite(m_p[m_at]) && !isDelimiter(m_p[m_at])) {
            token.append(char(m_p[m_at++]));
        }
        token.kind = numberKind(start, m_at, token.value);
        return token;
    }

private:
    void skipSpace() {
        while (m_at < m_n) {
            if (isWhite(m_p[m_at])) {
                ++m_at;
            } else if (m_p[m_at] == '%') {
                while (m_at < m_n && m_p[m_at] != '\r' && m_p[m_at] != '\n') {
                    ++m_at;
                }
            } else {
                break;
            }
        }
    }

    void skipTo(uchar c) {
        const void* found = memchr(m_p + m_at, c, size_t(m_n - m_at));
        m_at = found ? static_cast<const uchar*>(found) - m_p + 1 : m_n;
    }

    void skipLiteralString() {
        int depth = 0;
        while (m_at < m_n) {
            const uchar c = m_p[m_at++];
            if (c == '\\') {
                ++m_at;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return;
            }
        }
        m_at = std::min(m_at, m_n);
    }

    // An integer, a real or a keyword, and an integer's value (saturated).
    Kind numberKind(qint64 start, qint64 end, qint64& value) const {
        qint64 i = start;
        bool negative = false;
        if (i < end && (m_p[i] == '+' || m_p[i] == '-')) {
            negative = m_p[i] == '-';
            ++i;
        }
        bool digits = false;
        bool point = false;
        qint64 v = 0;
        for (; i < end; ++i) {
            const uchar c = m_p[i];
            if (c >= '0' && c <= '9') {
                digits = true;
                if (!point) {
                    v = v > (std::numeric_limits<qint64>::max() - 9) / 10 ? v : v * 10 + (c - '0');
                }
            } else if (c == '.' && !point) {
                point = true;
            } else {
                return end > start ? Kind::keyword : Kind::other;
            }
        }
        if (!digits && !point) {
            return Kind::keyword;
        }
        value = negative ? -v : v;
        return point ? Kind::real : Kind::integer;
    }

    const uchar* m_p;
    qint64 m_n;
    qint64 m_at = 0;
};

// A number token's value.
double numberValue(const Token& token) {
    if (token.longNumber) {
        return *token.longNumber;
    }
    if (token.kind == Kind::integer) {
        return double(token.value);
    }
    return std::strtod(std::string(token.view()).c_str(), nullptr);
}

// A number token's integer part, as the library takes a real where it wants
// an integer; past the range of integers, the nearest end of it.
qint64 wholePart(const Token& token) {
    const double value = std::trunc(numberValue(token));
    constexpr double most = 9.0e18;
    return qint64(std::clamp(value, -most, most));
}

// Strings longer than this are no entries of an encryption dictionary or an
// identifier that is read here.
constexpr qint64 maximumStringBytes = 256;

// The bytes of the string token that spans [start, end): a literal string
// with its escapes undone, or a hex string. Longer ones are cut, which makes
// them differ from what they hold.
QByteArray stringBytes(const uchar* p, qint64 start, qint64 end) {
    QByteArray out;
    if (start >= end) {
        return out;
    }
    if (p[start] == '<') {
        int high = -1;
        for (qint64 i = start + 1; i < end && p[i] != '>'; ++i) {
            const int v = hexValue(p[i]);
            if (v < 0) {
                continue;
            }
            if (high < 0) {
                high = v;
            } else {
                out += char(high * 16 + v);
                high = -1;
            }
            if (out.size() > maximumStringBytes) {
                return out;
            }
        }
        if (high >= 0) {
            out += char(high * 16);
        }
        return out;
    }
    // The closing parenthesis is left out.
    const qint64 last = p[end - 1] == ')' ? end - 1 : end;
    for (qint64 i = start + 1; i < last && out.size() <= maximumStringBytes; ++i) {
        const uchar c = p[i];
        if (c == '\\' && i + 1 < last) {
            const uchar e = p[++i];
            if (e >= '0' && e <= '7') {
                int v = e - '0';
                for (int k = 0; k < 2 && i + 1 < last && p[i + 1] >= '0' && p[i + 1] <= '7'; ++k) {
                    v = v * 8 + (p[++i] - '0');
                }
                out += char(v & 0xff);
            } else if (e == '\r' || e == '\n') {
                // A line break after a backslash is no part of the string.
                if (e == '\r' && i + 1 < last && p[i + 1] == '\n') {
                    ++i;
                }
            } else {
                const char* from = "nrtbf";
                const char* to = "\n\r\t\b\f";
                const char* found = std::strchr(from, e);
                out += found && e != 0 ? to[found - from] : char(e);
            }
        } else if (c == '\r') {
            // Line breaks within the string read as one line feed.
            if (i + 1 < last && p[i + 1] == '\n') {
                ++i;
            }
            out += '\n';
        } else {
            out += char(c);
        }
    }
    return out;
}

// An integer written in place or as a reference to an integer object.
struct Number {
    enum class Kind { none, direct, reference } kind = Kind::none;
    qint64 value = 0;

    // A key given again: which of its values the PDF library takes depends
    // on how it stores the dictionary, so the larger counts. False when
    // that is not known here (a value given by reference).
    bool merge(const Number& again) {
        if (kind == Kind::none) {
            *this = again;
            return true;
        }
        if (kind == Kind::direct && again.kind == Kind::direct) {
            value = std::max(value, again.value);
            return true;
        }
        return again.kind == Kind::none;
    }
};

struct Dict {
    std::string type;
    std::string subtype;
    Number width;
    Number height;
    // Sides given more than once, one of them by reference.
    bool sidesUnknown = false;
    std::vector<std::string> filters;
    qint64 length = -1;
    qint64 count = -1; // an object stream's /N
    qint64 first = -1; // an object stream's /First
    bool encrypt = false;
    qint64 encryptObject = -1; // an /Encrypt given by reference
    qint64 encryptAt = -1;     // an /Encrypt given in place: where it begins
    QByteArray id;             // the first string of /ID
    bool idGiven = false;
    // /Encrypt or /ID given twice: which the PDF library takes is not known.
    bool repeated = false;
    bool fontProgram = false; // the lengths of a font program's parts
    // A form's or a tiling pattern's /Matrix, as the library reads it (see
    // linearPart()).
    std::optional<PdfTransform> matrix;
    bool pattern = false; // has a /PatternType
    // Its keys that refer to objects, as resource dictionaries name them.
    std::vector<std::pair<std::string, qint64>> namedReferences;
    // The sides of its /Rect (an annotation's) and /BBox (a form's); past
    // every bound when not known here.
    std::optional<std::pair<double, double>> rect;
    std::optional<std::pair<double, double>> box;
    // An annotation's appearances its /AP gives in place, and the references
    // of the dictionaries it holds as values.
    std::vector<qint64> appearances;
    std::vector<qint64> childReferences;
    std::optional<std::size_t> annotation; // as the findings keep it
    // A Type 3 font's /FontMatrix (read as /Matrix is), and the glyph
    // procedures its /CharProcs gives in place; the font as the findings
    // keep it (see Findings::Type3Font), and the Type 3 fonts a /Font
    // resource dictionary gives in place, by their names.
    std::optional<PdfTransform> fontMatrix;
    std::vector<qint64> glyphProcedures;
    std::optional<std::size_t> type3Font;
    std::vector<std::pair<std::string, std::size_t>> fontsInPlace;
    // The group of a soft mask it gives in place, and those of the graphics
    // states given in place as its entries, by their names.
    std::vector<qint64> softMask;
    std::vector<std::pair<std::string, qint64>> statesSoftMasks;
    // A cross-reference stream's row layout and predictor; parameters
    // other than a single dictionary of plain values are not understood.
    std::vector<qint64> widths;
    qint64 predictor = 1;
    qint64 columns = 1;
    qint64 colors = 1;
    qint64 bitsPerComponent = 8;
    bool oddParameters = false;
    // An image's own /BitsPerComponent; one given by reference is not read
    // and counts as the most.
    qint64 componentBits = 8;
    // An image mask, which the library paints with the fill colour: /ImageMask
    // given as anything but false, which a reference may be.
    bool imageMask = false;
};

struct Stream {
    qint64 object = -1;
    qint64 generation = 0;
    Dict dict;
    qint64 start = 0;
    qint64 end = 0;
};

// What the reading of the file and its object streams has found.
struct Findings {
    std::vector<Stream> streams;
    std::map<qint64, qint64> integers;            // object -> largest integer it held
    std::map<qint64, std::vector<qint64>> arrays; // object -> references of its array
    std::set<qint64> contents;                    // objects named by /Contents
    std::vector<qint64> contentArrays;            // arrays named by /Contents, unresolved
    // Each /Contents given as an array: the page's content in parts, in
    // order, a part named twice drawn twice.
    std::vector<std::vector<qint64>> contentGroups;
    // XObjects and patterns by the names resources give them, across the
    // whole file; a name given to several objects stands for the costliest.
    std::multimap<std::string, qint64> xobjects;
    std::map<qint64, std::vector<std::pair<std::string, qint64>>> dictionaries; // object -> refs
    std::vector<qint64> xobjectDictionaries; // /XObject and /Pattern ones given by reference
    // Graphics states by the names resources give them, /ExtGState
    // dictionaries given by reference, and the soft masks' groups numbered
    // dictionaries give in place (see Dict).
    std::multimap<std::string, qint64> graphicsStates;
    std::vector<qint64> graphicsStateDictionaries;
    std::map<qint64, std::vector<qint64>> softMasks;
    // Annotations that have appearances: the forms given in place, the /AP
    // dictionary given by reference, and the sides of the annotation's box.
    struct Annotation {
        std::vector<qint64> appearances;
        std::vector<qint64> dictionaries;
        std::pair<double, double> rect;
    };
    std::vector<Annotation> annotations;
    // Each page's /Annots: the annotations it names, and those it gives in
    // place; /Annots arrays given by reference; the annotations numbered
    // objects are.
    struct AnnotationGroup {
        std::vector<qint64> objects;
        std::vector<std::size_t> inPlace;
    };
    std::vector<AnnotationGroup> annotationGroups;
    std::vector<qint64> annotationArrays;
    std::map<qint64, std::vector<std::size_t>> annotationOf;
    std::map<qint64, std::vector<qint64>> childReferences;
    // Type 3 fonts: their glyph procedures given in place, their /CharProcs
    // dictionaries given by reference, and their matrix. Then fonts by the
    // names /Font resources give them: numbered fonts, fonts given in place,
    // /Font dictionaries given by reference; and the fonts numbered objects
    // are, or give in place.
    struct Type3Font {
        std::vector<qint64> procedures;
        std::vector<qint64> dictionaries;
        PdfTransform matrix;
    };
    std::vector<Type3Font> type3Fonts;
    // The largest font size a graphics state's /Font sets; 0 for none.
    double stateFontSize = 0;
    std::set<std::pair<std::string, qint64>> fontNames;
    std::set<std::pair<std::string, std::size_t>> fontsInPlace;
    std::vector<qint64> fontDictionaries;
    std::map<qint64, std::vector<std::size_t>> fontsOfObject;
    std::map<qint64, std::vector<std::pair<std::string, std::size_t>>> fontsInPlaceOf;
    std::map<qint64, std::vector<std::pair<std::string, qint64>>> statesSoftMasks;
    // The same of /ExtGState dictionaries given in place.
    std::set<std::pair<std::string, qint64>> statesInPlace;
    bool encrypted = false;
    // The dictionaries that name an encryption dictionary (a trailer's
    // should), and the dictionaries of the standard security handler found
    // as objects of the file.
    struct Encryption {
        qint64 object = -1;
        qint64 at = -1;
        QByteArray id;
    };
    std::vector<Encryption> encryptions;
    std::vector<std::pair<qint64, qint64>> standardDictionaries; // object, where
    bool manyEncryptions = false;
    // Where /Prev and /XRefStm say cross-reference sections begin.
    std::vector<qint64> sections;
    // Objects read in file order: where their value begins, and number.
    std::vector<std::pair<qint64, qint64>> objectsInOrder;
    std::vector<qint64> dictionariesInOrder; // top-level dictionaries, where
};

// More encryption dictionaries, or dictionaries naming one, than a document
// updated a few times holds: not read.
constexpr size_t maximumEncryptions = 16;
// Cross-reference sections of more updates than this are not followed.
constexpr size_t maximumSections = 4096;

// What a glyph in the font a resource names draws, among the XObjects'
// names; and one in a font its content did not set (any Type 3 font).
std::string glyphOf(std::string_view font) {
    return "glyph " + std::string(font);
}
const std::string inheritedGlyph = "glyph, inherited";
// One in the font a resource names with a horizontal scaling the content
// did not set.
std::string scaledGlyphOf(std::string_view font) {
    return "glyph, scaled " + std::string(font);
}

// What a graphics state draws, among the XObjects' names, under a key of its
// own (a name of the file spelled the same would only count for more).
std::string drawnByState(std::string_view name) {
    return "gs " + std::string(name);
}

// Reads objects: dictionaries with the keys that matter here, arrays of
// names or references, and the rest skipped. Recursion stops at
// maximumDepth.
class ObjectReader {
public:
    ObjectReader(Lexer& lexer, Findings& findings) : m_lexer(lexer), m_findings(findings) {}

    // The value whose first token was read; an array's references and
    // names are gathered into the lists when given.
    Number value(const Token& first, int depth, Dict* into = nullptr,
                 std::vector<qint64>* references = nullptr,
                 std::vector<std::string>* names = nullptr) {
        switch (first.kind) {
        case Kind::dictOpen: {
            Dict inner;
            dict(depth + 1, inner);
            if (into && inner.encrypt) {
                into->encrypt = true;
            }
            return {};
        }
        case Kind::arrayOpen:
            array(depth + 1, references, names);
            return {};
        case Kind::integer:
            return integerOrReference(first.value);
        default:
            return {};
        }
    }

    void dict(int depth, Dict& out) {
        entries(depth, out);
        // Without a matrix of its own, the glyphs count at the size of the
        // text.
        Findings::Type3Font font{out.glyphProcedures, {}, out.fontMatrix.value_or(PdfTransform{})};
        for (const auto& [key, object] : out.namedReferences) {
            if (key == "CharProcs") {
                font.dictionaries.push_back(object);
            }
        }
        if (!font.procedures.empty() || !font.dictionaries.empty()) {
            out.type3Font = m_findings.type3Fonts.size();
            m_findings.type3Fonts.push_back(std::move(font));
        }
        if (out.rect) {
            Findings::Annotation annotation{out.appearances, {}, *out.rect};
            for (const auto& [key, object] : out.namedReferences) {
                if (key == "AP") {
                    annotation.dictionaries.push_back(object);
                }
            }
            if (!annotation.appearances.empty() || !annotation.dictionaries.empty()) {
                out.annotation = m_findings.annotations.size();
                m_findings.annotations.push_back(std::move(annotation));
            }
        }
        if (out.encryptObject >= 0 || out.encryptAt >= 0) {
            // The same dictionary may be read again from another start.
            const bool known = std::any_of(
                m_findings.encryptions.begin(), m_findings.encryptions.end(), [&](const auto& e) {
                    return e.object == out.encryptObject && e.at == out.encryptAt && e.id == out.id;
                });
            if (known && !out.repeated) {
                return;
            }
            if (m_findings.encryptions.size() < maximumEncryptions && !out.repeated) {
                m_findings.encryptions.push_back({out.encryptObject, out.encryptAt, out.id});
            } else {
                m_findings.manyEncryptions = true;
            }
        }
    }

    void entries(int depth, Dict& out) {
        if (depth > maximumDepth) {
            skipNested(1);
            return;
        }
        while (true) {
            const Token key = m_lexer.next();
            if (key.kind == Kind::end || key.kind == Kind::dictClose) {
                return;
            }
            if (key.kind != Kind::name) {
                continue; // a broken dictionary: go on to its end
            }
            const Token first = m_lexer.next();
            if (first.kind == Kind::end || first.kind == Kind::dictClose) {
                return;
            }
            const std::string_view k = key.view();
            if ((k == "ImageMask" || k == "IM") && !first.is(Kind::keyword, "false")) {
                out.imageMask = true;
            }
            if ((k == "Encrypt" && (out.encryptObject >= 0 || out.encryptAt >= 0)) ||
                (k == "ID" && out.idGiven)) {
                out.repeated = true;
            }
            if (k == "Encrypt" && first.kind == Kind::dictOpen) {
                out.encrypt = true;
                out.encryptAt = first.start;
                m_findings.encrypted = true;
            }
            if (k == "ID") {
                out.idGiven = true;
            }
            if (k == "ID" && first.kind == Kind::arrayOpen) {
                out.id = firstString(depth + 1);
                continue;
            }
            if (first.kind == Kind::dictOpen) {
                Dict inner;
                dict(depth + 1, inner);
                if (inner.encrypt) {
                    out.encrypt = true;
                }
                if (k == "DecodeParms") {
                    out.predictor = inner.predictor;
                    out.columns = inner.columns;
                    out.colors = inner.colors;
                    out.bitsPerComponent = inner.bitsPerComponent;
                }
                if (k == "XObject" || k == "Pattern") {
                    for (const auto& [name, object] : inner.namedReferences) {
                        m_findings.xobjects.emplace(name, object);
                    }
                }
                if (k == "CharProcs") {
                    for (const auto& [name, object] : inner.namedReferences) {
                        out.glyphProcedures.push_back(object);
                    }
                }
                if (inner.type3Font) {
                    out.fontsInPlace.emplace_back(k, *inner.type3Font);
                }
                if (k == "Font") {
                    for (const auto& [name, object] : inner.namedReferences) {
                        m_findings.fontNames.emplace(name, object);
                    }
                    m_findings.fontsInPlace.insert(inner.fontsInPlace.begin(),
                                                   inner.fontsInPlace.end());
                }
                // An appearance is given for each state, or one for all.
                for (const auto& [name, object] : inner.namedReferences) {
                    out.childReferences.push_back(object);
                    if (k == "AP") {
                        out.appearances.push_back(object);
                    }
                }
                if (k == "AP") {
                    out.appearances.insert(out.appearances.end(), inner.childReferences.begin(),
                                           inner.childReferences.end());
                }
                if (k == "SMask") {
                    for (const auto& [name, object] : inner.namedReferences) {
                        if (name == "G") {
                            out.softMask.push_back(object);
                        }
                    }
                }
                // A state given in place: its mask's group, or the mask's
                // dictionary, by the state's name.
                for (const qint64 group : inner.softMask) {
                    out.statesSoftMasks.emplace_back(k, group);
                }
                for (const auto& [name, mask] : inner.namedReferences) {
                    if (name == "SMask") {
                        out.statesSoftMasks.emplace_back(k, mask);
                    }
                }
                if (k == "ExtGState") {
                    for (const auto& [name, state] : inner.namedReferences) {
                        m_findings.graphicsStates.emplace(name, state);
                    }
                    m_findings.statesInPlace.insert(inner.statesSoftMasks.begin(),
                                                    inner.statesSoftMasks.end());
                }
                continue;
            }
            if (first.kind == Kind::name) {
                if (k == "Type") {
                    out.type = std::string(first.view());
                } else if (k == "Subtype") {
                    out.subtype = std::string(first.view());
                } else if (k == "Filter") {
                    out.filters = {std::string(first.view())};
                }
                continue;
            }
            if (k == "DecodeParms") {
                out.oddParameters = true;
            }
            if (k == "W" && first.kind == Kind::arrayOpen) {
                out.widths = integers(depth + 1);
                continue;
            }
            if (k == "Annots" && first.kind == Kind::arrayOpen) {
                // A page's annotations, named or given in place.
                const std::size_t before = m_findings.annotations.size();
                Findings::AnnotationGroup group;
                array(depth + 1, &group.objects, nullptr);
                for (std::size_t i = before; i < m_findings.annotations.size(); ++i) {
                    group.inPlace.push_back(i);
                }
                m_findings.annotationGroups.push_back(std::move(group));
                continue;
            }
            if (k == "Font" && first.kind == Kind::arrayOpen) {
                // A graphics state's font and size: [font size].
                m_findings.stateFontSize =
                    std::max({m_findings.stateFontSize, 1.0, lastNumber(depth + 1)});
                continue;
            }
            if ((k == "Rect" || k == "BBox") && first.kind == Kind::arrayOpen) {
                auto sides = rectangleSides(depth + 1);
                if (k == "BBox" && sides == unknownSides) {
                    sides = unknownBox;
                }
                auto& into = k == "Rect" ? out.rect : out.box;
                // Given twice, the one that scales more counts.
                into = !into         ? sides
                       : k == "Rect" ? std::max(*into, sides)
                                     : std::min(*into, sides);
                continue;
            }
            if ((k == "Matrix" || k == "FontMatrix") && first.kind == Kind::arrayOpen) {
                const PdfTransform matrix = linearPart(depth + 1);
                auto& into = k == "Matrix" ? out.matrix : out.fontMatrix;
                into = into ? eitherOf(*into, matrix) : matrix;
                continue;
            }

            std::vector<qint64> references;
            std::vector<std::string> names;
            const Number number = value(first, depth, &out, &references, &names);
            if (number.kind == Number::Kind::reference) {
                // A matrix given by reference is not read here.
                if (k == "Matrix") {
                    out.matrix = unboundedTransform();
                } else if (k == "FontMatrix") {
                    out.fontMatrix = unboundedTransform();
                } else if (k == "Rect") {
                    out.rect = unknownSides;
                } else if (k == "BBox") {
                    out.box = unknownBox;
                }
            }
            if (number.kind == Number::Kind::reference) {
                out.namedReferences.emplace_back(k, number.value);
                if (k == "XObject" || k == "Pattern") {
                    m_findings.xobjectDictionaries.push_back(number.value);
                } else if (k == "ExtGState") {
                    m_findings.graphicsStateDictionaries.push_back(number.value);
                } else if (k == "Font") {
                    m_findings.fontDictionaries.push_back(number.value);
                } else if (k == "Annots") {
                    m_findings.annotationArrays.push_back(number.value);
                }
            }
            // The library takes an image's sides by their short names too,
            // and a real for its integer part.
            const Number side =
                first.kind == Kind::real ? Number{Number::Kind::direct, wholePart(first)} : number;
            if (k == "PatternType") {
                out.pattern = true;
            }
            if (k == "Width" || k == "W") {
                out.sidesUnknown = !out.width.merge(side) || out.sidesUnknown;
            } else if (k == "Height" || k == "H") {
                out.sidesUnknown = !out.height.merge(side) || out.sidesUnknown;
            } else if (k == "BitsPerComponent" || k == "BPC") {
                // Only the long name sets a predictor's bits.
                if (k == "BitsPerComponent" && number.kind == Number::Kind::direct) {
                    out.bitsPerComponent = number.value;
                }
                out.componentBits = std::max(
                    out.componentBits, number.kind == Number::Kind::direct ? number.value : 16);
            } else if (k == "Length" && number.kind == Number::Kind::direct) {
                out.length = number.value;
            } else if (k == "N" && number.kind == Number::Kind::direct) {
                out.count = number.value;
            } else if (k == "First" && number.kind == Number::Kind::direct) {
                out.first = number.value;
            } else if ((k == "Prev" || k == "XRefStm") && number.kind == Number::Kind::direct) {
                if (m_findings.sections.size() < maximumSections) {
                    m_findings.sections.push_back(number.value);
                }
            } else if (k == "Predictor" && number.kind == Number::Kind::direct) {
                out.predictor = number.value;
            } else if (k == "Columns" && number.kind == Number::Kind::direct) {
                out.columns = number.value;
            } else if (k == "Colors" && number.kind == Number::Kind::direct) {
                out.colors = number.value;
            } else if (k == "Filter" && first.kind == Kind::arrayOpen) {
                out.filters = names;
            } else if (k == "Length1" || k == "Length2" || k == "Length3") {
                out.fontProgram = true;
            } else if (k == "Encrypt") {
                out.encrypt = true;
                m_findings.encrypted = true;
                if (number.kind == Number::Kind::reference) {
                    out.encryptObject = number.value;
                }
            } else if (k == "Contents") {
                if (number.kind == Number::Kind::reference) {
                    m_findings.contents.insert(number.value);
                    m_findings.contentArrays.push_back(number.value);
                }
                m_findings.contents.insert(references.begin(), references.end());
                if (!references.empty()) {
                    m_findings.contentGroups.push_back(references);
                }
            }
        }
    }

    void array(int depth, std::vector<qint64>* references, std::vector<std::string>* names) {
        if (depth > maximumDepth) {
            skipNested(1);
            return;
        }
        while (true) {
            const Token token = m_lexer.next();
            if (token.kind == Kind::end || token.kind == Kind::arrayClose) {
                return;
            }
            if (token.kind == Kind::name && names) {
                names->push_back(std::string(token.view()));
                continue;
            }
            const Number number = value(token, depth);
            if (number.kind == Number::Kind::reference && references) {
                references->push_back(number.value);
            }
        }
    }

private:
    // The integers of the array being read, which is read to its end.
    std::vector<qint64> integers(int depth) {
        std::vector<qint64> out;
        while (true) {
            const Token token = m_lexer.next();
            if (token.kind == Kind::end || token.kind == Kind::arrayClose) {
                return out;
            }
            if (token.kind == Kind::integer && out.size() < 16) {
                out.push_back(token.value);
            } else {
                value(token, depth);
            }
        }
    }

    // The numbers of the array being read, read to its end, as the library
    // takes them: an entry that is no number counts as 0. Nothing when one of
    // the first four is given by reference, which is not read here.
    std::optional<std::vector<double>> numbers(int depth) {
        std::vector<double> entries;
        bool referenced = false;
        while (true) {
            const Token token = m_lexer.next();
            if (token.kind == Kind::end || token.kind == Kind::arrayClose) {
                break;
            }
            double entry = 0;
            if (token.kind == Kind::real) {
                entry = numberValue(token);
            } else {
                const Number number = value(token, depth);
                if (number.kind == Number::Kind::direct) {
                    entry = numberValue(token);
                } else if (number.kind == Number::Kind::reference && entries.size() < 4) {
                    referenced = true;
                }
            }
            entries.push_back(entry);
        }
        if (referenced) {
            return std::nullopt;
        }
        entries.resize(std::max<std::size_t>(entries.size(), 4), 0);
        return entries;
    }

    // The size of the last number of the array being read, read to its end.
    double lastNumber(int depth) {
        double last = 0;
        while (true) {
            const Token token = m_lexer.next();
            if (token.kind == Kind::end || token.kind == Kind::arrayClose) {
                return last;
            }
            if (token.kind == Kind::real) {
                last = std::abs(numberValue(token));
            } else if (value(token, depth).kind == Number::Kind::direct) {
                last = std::abs(numberValue(token));
            }
        }
    }

    // The scaling part of the matrix being read, as the library takes it
    // (entries missing count as 0 too); past every bound when not known.
    PdfTransform linearPart(int depth) {
        const auto entries = numbers(depth);
        return entries ? PdfTransform{(*entries)[0], (*entries)[1], (*entries)[2], (*entries)[3]}
                       : unboundedTransform();
    }

    // The sides of the rectangle being read, its first four numbers being
    // corners; not known when given by reference.
    std::pair<double, double> rectangleSides(int depth) {
        const auto corners = numbers(depth);
        return corners ? std::pair(std::abs((*corners)[2] - (*corners)[0]),
                                   std::abs((*corners)[3] - (*corners)[1]))
                       : unknownSides;
    }

    // The first string of the array being read, which is read to its end.
    QByteArray firstString(int depth) {
        const Token first = m_lexer.next();
        QByteArray bytes;
        if (first.kind == Kind::arrayClose || first.kind == Kind::end) {
            return bytes;
        }
        if (first.kind == Kind::string) {
            bytes = stringBytes(m_lexer.bytes(), first.start, m_lexer.position());
        } else {
            value(first, depth);
        }
        array(depth, nullptr, nullptr);
        return bytes;
    }

    Number integerOrReference(qint64 value) {
        const qint64 at = m_lexer.position();
        const Token generation = m_lexer.next();
        if (generation.kind == Kind::integer) {
            const Token r = m_lexer.next();
            if (r.is(Kind::keyword, "R")) {
                return {Number::Kind::reference, value};
            }
        }
        m_lexer.seek(at);
        return {Number::Kind::direct, value};
    }

    // Skips to the end of the dictionary or array the reader is in.
    void skipNested(int open) {
        while (open > 0) {
            const Token token = m_lexer.next();
            if (token.kind == Kind::end) {
                return;
            }
            if (token.kind == Kind::dictOpen || token.kind == Kind::arrayOpen) {
                ++open;
            } else if (token.kind == Kind::dictClose || token.kind == Kind::arrayClose) {
                --open;
            }
        }
    }

    Lexer& m_lexer;
    Findings& m_findings;
};

qint64 findKeyword(const uchar* p, qint64 n, qint64 from, std::string_view word) {
    const auto* end = p + n;
    const auto* found = std::search(p + std::min(from, n), end, word.begin(), word.end());
    return found == end ? -1 : found - p;
}

// Where the data of the stream whose keyword was just read begins and ends:
// /Length bytes when the end keyword follows them, else up to that keyword.
// The bytes read past /Length are added to `read`.
std::pair<qint64, qint64> streamExtent(const Lexer& lexer, qint64 length, qint64* read) {
    const uchar* p = lexer.bytes();
    const qint64 n = lexer.size();
    qint64 start = lexer.position();
    if (start < n && p[start] == '\r') {
        ++start;
    }
    if (start < n && p[start] == '\n') {
        ++start;
    }
    if (length >= 0 && length <= n - start) {
        qint64 after = start + length;
        while (after < n && isWhite(p[after])) {
            ++after;
        }
        if (read) {
            *read += after - start - length;
        }
        if (findKeyword(p, std::min(n, after + 9), after, "endstream") == after) {
            return {start, start + length};
        }
    }
    const qint64 found = findKeyword(p, n, start, "endstream");
    return {start, found < 0 ? n : found};
}

// What a numbered dictionary gives that a name may stand for: soft masks,
// appearances, Type 3 fonts.
void noteObjectExtras(Findings& findings, qint64 object, const Dict& dict) {
    if (dict.annotation) {
        findings.annotationOf[object].push_back(*dict.annotation);
    }
    if (dict.type3Font) {
        findings.fontsOfObject[object].push_back(*dict.type3Font);
    }
    if (!dict.fontsInPlace.empty()) {
        auto& held = findings.fontsInPlaceOf[object];
        held.insert(held.end(), dict.fontsInPlace.begin(), dict.fontsInPlace.end());
    }
    if (!dict.childReferences.empty()) {
        auto& held = findings.childReferences[object];
        held.insert(held.end(), dict.childReferences.begin(), dict.childReferences.end());
    }
    if (!dict.softMask.empty()) {
        auto& groups = findings.softMasks[object];
        groups.insert(groups.end(), dict.softMask.begin(), dict.softMask.end());
    }
    if (!dict.statesSoftMasks.empty()) {
        auto& groups = findings.statesSoftMasks[object];
        groups.insert(groups.end(), dict.statesSoftMasks.begin(), dict.statesSoftMasks.end());
    }
}

// What a numbered dictionary may be to other objects: resources, or the
// dictionary of the standard security handler.
void noteObjectDictionary(Findings& findings, qint64 object, const Dict& dict, qint64 at) {
    auto& held = findings.dictionaries[object];
    held.insert(held.end(), dict.namedReferences.begin(), dict.namedReferences.end());
    noteObjectExtras(findings, object, dict);
    if (dict.filters == std::vector<std::string>{"Standard"}) {
        const std::pair<qint64, qint64> entry{object, at};
        auto& known = findings.standardDictionaries;
        if (std::find(known.begin(), known.end(), entry) != known.end()) {
            return;
        }
        if (known.size() < maximumEncryptions) {
            known.push_back(entry);
        } else {
            findings.manyEncryptions = true;
        }
    }
}

// Reads the file's top level: objects, the streams that follow
// dictionaries, integer and array objects.
void readFile(const QByteArray& data, Findings& findings) {
    Lexer lexer(data.constData(), data.size());
    ObjectReader reader(lexer, findings);
    // "N G obj" names the object that follows: the integers read in a row.
    qint64 lastIntegers[2] = {-1, -1};
    int integersInRow = 0;
    qint64 object = -1;
    qint64 generation = 0;
    bool afterObj = false;
    std::optional<Dict> lastDict;
    while (true) {
        const Token token = lexer.next();
        if (token.kind == Kind::end) {
            break;
        }
        const bool objectStarts = afterObj;
        afterObj = false;
        if (token.is(Kind::keyword, "obj")) {
            object = integersInRow >= 2 ? lastIntegers[0] : -1;
            generation = integersInRow >= 2 ? lastIntegers[1] : 0;
            if (object >= 0) {
                findings.objectsInOrder.emplace_back(lexer.position(), object);
            }
            afterObj = true;
            integersInRow = 0;
            lastDict.reset();
            continue;
        }
        if (token.kind == Kind::integer) {
            lastIntegers[0] = lastIntegers[1];
            lastIntegers[1] = token.value;
            ++integersInRow;
        } else {
            integersInRow = 0;
        }
        if (token.kind == Kind::integer && objectStarts && object >= 0) {
            // "N G obj 12 endobj": an integer object, should a size refer to it.
            const qint64 at = lexer.position();
            const Token after = lexer.next();
            if (after.is(Kind::keyword, "endobj")) {
                auto& held = findings.integers[object];
                held = std::max(held, token.value);
                integersInRow = 0;
                continue;
            }
            lexer.seek(at);
        }
        if (token.kind == Kind::arrayOpen) {
            std::vector<qint64> references;
            reader.array(1, &references, nullptr);
            if (objectStarts && object >= 0) {
                auto& held = findings.arrays[object];
                held.insert(held.end(), references.begin(), references.end());
            }
            lastDict.reset();
            continue;
        }
        if (token.kind == Kind::dictOpen) {
            Dict dict;
            findings.dictionariesInOrder.push_back(token.start);
            reader.dict(1, dict);
            if (objectStarts && object >= 0) {
                noteObjectDictionary(findings, object, dict, token.start);
            }
            lastDict = dict;
            continue;
        }
        if (token.is(Kind::keyword, "stream") && lastDict) {
            const auto [start, end] = streamExtent(lexer, lastDict->length, nullptr);
            findings.streams.push_back({object, generation, *lastDict, start, end});
            lexer.seek(end);
        }
        lastDict.reset();
    }
}

// Decoding the stream filters that can hide size. Each stops once `cap`
// bytes are out; what is out so far stands when the data breaks off, as the
// PDF library would read it.
using Bytes = std::vector<uchar>;

// Inflates into `out`, or only counts when there is none; the bytes out.
qint64 inflateBytes(const uchar* in, size_t size, Bytes* out, qint64 cap) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        return 0;
    }
    z.next_in = const_cast<uchar*>(in);
    z.avail_in = uInt(std::min<size_t>(size, std::numeric_limits<uInt>::max()));
    std::array<uchar, 65536> chunk{};
    qint64 total = 0;
    int result = Z_OK;
    while (result == Z_OK && total <= cap) {
        z.next_out = chunk.data();
        z.avail_out = uInt(chunk.size());
        result = inflate(&z, Z_NO_FLUSH);
        const size_t produced = chunk.size() - z.avail_out;
        if (out) {
            out->insert(out->end(), chunk.data(), chunk.data() + produced);
        }
        total += qint64(produced);
        if (produced == 0 && result == Z_BUF_ERROR) {
            break;
        }
    }
    inflateEnd(&z);
    return total;
}

void asciiHex(const Bytes& in, Bytes& out) {
    int high = -1;
    for (const uchar c : in) {
        if (c == '>') {
            break;
        }
        const int v = hexValue(c);
        if (v < 0) {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(uchar(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) {
        out.push_back(uchar(high * 16));
    }
}

void ascii85(const Bytes& in, Bytes& out, qint64 cap) {
    quint64 group = 0;
    int count = 0;
    for (size_t i = 0; i < in.size() && qint64(out.size()) <= cap; ++i) {
        const uchar c = in[i];
        if (c == '~') {
            break;
        }
        if (c == 'z' && count == 0) {
            out.insert(out.end(), 4, 0);
            continue;
        }
        if (c < '!' || c > 'u') {
            continue;
        }
        group = group * 85 + (c - '!');
        if (++count == 5) {
            for (int b = 3; b >= 0; --b) {
                out.push_back(uchar(group >> (8 * b)));
            }
            group = 0;
            count = 0;
        }
    }
    if (count > 1) {
        for (int i = count; i < 5; ++i) {
            group = group * 85 + 84;
        }
        for (int b = 3; b > 4 - count; --b) {
            out.push_back(uchar(group >> (8 * b)));
        }
    }
}

void runLength(const Bytes& in, Bytes& out, qint64 cap) {
    size_t i = 0;
    while (i < in.size() && qint64(out.size()) <= cap) {
        const int length = in[i++];
        if (length == 128) {
            break;
        }
        if (length < 128) {
            const size_t take = std::min(size_t(length + 1), in.size() - i);
            out.insert(out.end(), in.begin() + qsizetype(i), in.begin() + qsizetype(i + take));
            i += take;
        } else if (i < in.size()) {
            out.insert(out.end(), size_t(257 - length), in[i++]);
        }
    }
}

void lzw(const Bytes& in, Bytes& out, qint64 cap, int earlyChange) {
    std::vector<std::pair<int, uchar>> table; // prefix code, last byte
    std::vector<uchar> string;
    auto reset = [&] { table.assign(258, {-1, 0}); };
    reset();
    auto expand = [&](int code) {
        string.clear();
        while (code >= 0 && string.size() <= table.size()) {
            string.push_back(code < 256 ? uchar(code) : table[size_t(code)].second);
            code = code < 256 ? -1 : table[size_t(code)].first;
        }
        std::reverse(string.begin(), string.end());
    };
    int bits = 9;
    quint32 buffer = 0;
    int buffered = 0;
    size_t at = 0;
    int previous = -1;
    while (qint64(out.size()) <= cap) {
        while (buffered < bits && at < in.size()) {
            buffer = (buffer << 8) | in[at++];
            buffered += 8;
        }
        if (buffered < bits) {
            break;
        }
        const int code = int((buffer >> (buffered - bits)) & ((1u << bits) - 1));
        buffered -= bits;
        if (code == 256) {
            reset();
            bits = 9;
            previous = -1;
            continue;
        }
        if (code == 257) {
            break;
        }
        if (code > int(table.size()) || (code == int(table.size()) && previous < 0)) {
            break;
        }
        if (code < int(table.size())) {
            expand(code);
            if (previous >= 0 && table.size() < 4096) {
                table.push_back({previous, string.front()});
            }
        } else {
            expand(previous);
            string.push_back(string.front());
            if (table.size() < 4096) {
                table.push_back({previous, string.front()});
            }
        }
        out.insert(out.end(), string.begin(), string.end());
        previous = code;
        const int next = int(table.size()) + earlyChange;
        bits = next >= 2048 ? 12 : next >= 1024 ? 11 : next >= 512 ? 10 : 9;
    }
}

// The readings of a stream's bytes through its filters; nothing when a
// filter cannot be decoded here. Stops past `cap`. In an encrypted document
// a crypt filter passes the bytes on: they are read both decrypted and not.
std::optional<std::vector<Bytes>> decode(std::vector<Bytes> outputs, const Stream& stream,
                                         qint64 cap, bool encrypted) {
    for (const std::string& filter : stream.dict.filters) {
        if (encrypted && filter == "Crypt") {
            continue;
        }
        std::vector<Bytes> next;
        for (const Bytes& in : outputs) {
            Bytes out;
            if (filter == "FlateDecode" || filter == "Fl") {
                inflateBytes(in.data(), in.size(), &out, cap);
            } else if (filter == "ASCIIHexDecode" || filter == "AHx") {
                asciiHex(in, out);
            } else if (filter == "ASCII85Decode" || filter == "A85") {
                ascii85(in, out, cap);
            } else if (filter == "RunLengthDecode" || filter == "RL") {
                runLength(in, out, cap);
            } else if (filter == "LZWDecode" || filter == "LZW") {
                // The early change is in parameters that may be elsewhere:
                // both readings are checked.
                Bytes other;
                lzw(in, out, cap, 1);
                lzw(in, other, cap, 0);
                next.push_back(std::move(other));
            } else {
                return std::nullopt;
            }
            next.push_back(std::move(out));
        }
        outputs = std::move(next);
    }
    return outputs;
}

// The operands the library keeps before an operator; it drops any more.
constexpr size_t maximumOperands = 33;

// What one stream draws: the XObjects and patterns by name, each with the
// times it is drawn and the transforms it is drawn with; what its inline
// images cover, and the work of reading their pixels.
struct Drawings {
    std::map<std::string, qint64> draws;
    std::map<std::string, PdfCover::Map> transforms;
    PdfCover inlineCover;
    qint64 inlineWork = 0;
};

// A pixel of an image drawn costs about an eighth of a byte of content. One
// of more than eight bits a component the library converts on its own,
// without the table it makes for fewer bits: eight times the work.
constexpr qint64 pixelsPerByteOfWork = 8;

qint64 pixelWork(qint64 width, qint64 height, qint64 bits) {
    return width * height * (bits > 8 ? 8 : 1) / pixelsPerByteOfWork + 1;
}

// Content: the nesting of saved graphics states, inline images, and the area
// each drawing covers.
class ContentReader {
public:
    explicit ContentReader(const PdfCostCheck::Limits& limits) : m_limits(limits) {}

    // False once the content is over a limit. What it draws is added to
    // `drawings`.
    bool read(const Bytes& content, Drawings& drawings) {
        Lexer lexer(reinterpret_cast<const char*>(content.data()), qint64(content.size()));
        std::string lastName;
        // Each stream's drawings are measured in its own units.
        m_matrix = PdfTransform{};
        m_exact = true;
        m_saved.clear();
        m_paint = {};
        m_savedPaint.clear();
        m_textMatrix = PdfTransform{};
        m_textMatrixSet = false;
        // The operands since the last operator, as the library keeps them
        // (the first ones, so many at most): a number each, or nothing for
        // an operand of another kind.
        std::vector<std::optional<double>> operands;
        bool endsWithName = false;
        // The bytes of the strings since the last operator: at least as
        // many as the glyphs they show.
        qint64 textBytes = 0;
        int nested = 0;
        const auto operand = [&operands](std::optional<double> value) {
            if (operands.size() < maximumOperands) {
                operands.push_back(value);
            }
        };
        while (true) {
            const Token token = lexer.next();
            if (token.kind == Kind::end) {
                return true;
            }
            if (token.kind == Kind::arrayOpen || token.kind == Kind::dictOpen) {
                if (nested++ == 0) {
                    operand(std::nullopt);
                    endsWithName = false;
                }
                continue;
            }
            if (token.kind == Kind::arrayClose || token.kind == Kind::dictClose) {
                nested = std::max(0, nested - 1);
                continue;
            }
            if (token.kind == Kind::name) {
                lastName = std::string(token.view());
                if (nested == 0) {
                    operand(std::nullopt);
                    endsWithName = true;
                }
                continue;
            }
            if (token.kind == Kind::string) {
                textBytes += lexer.position() - token.start;
            }
            if (token.kind != Kind::keyword) {
                if (nested == 0) {
                    operand(token.kind == Kind::integer || token.kind == Kind::real
                                ? std::optional<double>(numberValue(token))
                                : std::nullopt);
                    endsWithName = false;
                }
                continue;
            }
            // A keyword inside an array or a dictionary is one of its
            // entries: the library does not run it.
            if (nested > 0) {
                continue;
            }
            const std::string_view word = token.view();
            if (word == "Do") {
                ++drawings.draws[lastName];
                drawings.transforms[lastName].add(drawnWith());
                // An image mask is painted with the fill colour, and a form's
                // shapes may be; an image of colours is not.
                if (m_plainImages.count(lastName) == 0) {
                    paint(m_paint.fill, drawings);
                }
            } else if (word == "q") {
                if (++m_depth > m_limits.nesting) {
                    return false;
                }
                m_saved.push_back({m_matrix, m_exact});
                m_savedPaint.push_back(m_paint);
            } else if (word == "Q") {
                m_depth = std::max<qint64>(0, m_depth - 1);
                restore();
            } else if (word == "BT") {
                m_textMatrix = PdfTransform{};
                m_textMatrixSet = true;
            } else if (word == "Tm") {
                if (const auto matrix = lastTransform(operands)) {
                    m_textMatrix = *matrix;
                    m_inherited.textMatrix =
                        std::max({m_inherited.textMatrix, matrix->width(), matrix->height()});
                }
            } else if (word == "Tf" && !operands.empty() && operands.back()) {
                m_paint.font = lastName;
                m_paint.fontSize = *operands.back();
                double& largest = m_inherited.fontSizes[lastName];
                largest = std::max(largest, std::abs(*operands.back()));
            } else if (word == "Tz" && !operands.empty() && operands.back()) {
                m_paint.horizontalScaling = *operands.back() / 100;
                m_inherited.scaling =
                    std::max(m_inherited.scaling, std::abs(*operands.back() / 100));
            } else if (word == "gs" && endsWithName) {
                // A state with a soft mask draws the mask's group at once,
                // under the transform now.
                const std::string state = drawnByState(lastName);
                ++drawings.draws[state];
                drawings.transforms[state].add(drawnWith());
                // A state may set the font and its size.
                if (m_statesSetFonts) {
                    m_paint.font.clear();
                    m_paint.fontSize.reset();
                }
            } else if (word == "scn" || word == "SCN") {
                // A pattern is the colour when its name comes last.
                (word == "scn" ? m_paint.fill : m_paint.stroke) =
                    endsWithName ? lastName : std::string();
            } else if (setsFillColour(word)) {
                m_paint.fill.clear();
            } else if (setsStrokeColour(word)) {
                m_paint.stroke.clear();
            } else if (fills(word) || strokes(word)) {
                if (showsText(word) && textBytes > 0) {
                    // Each glyph of a Type 3 font is its procedure drawn
                    // in text space, at the text's size. In a font, at a
                    // size or with a text matrix this content did not set,
                    // the glyphs are of any font, at the largest of each
                    // that content or states set (see Inherited).
                    const bool known = m_paint.fontSize && m_textMatrixSet;
                    const double size = known ? *m_paint.fontSize : 1;
                    const PdfTransform glyph =
                        (known ? PdfTransform{size * m_paint.horizontalScaling.value_or(1), 0, 0,
                                              size}
                                     .then(m_textMatrix)
                               : PdfTransform{})
                            .then(drawnWith());
                    const std::string key = !known ? inheritedGlyph
                                            : m_paint.horizontalScaling
                                                ? glyphOf(m_paint.font)
                                                : scaledGlyphOf(m_paint.font);
                    drawings.draws[key] = std::min(largestWork, drawings.draws[key] + textBytes);
                    drawings.transforms[key].add(glyph, double(textBytes));
                }
                if (fills(word)) {
                    paint(m_paint.fill, drawings);
                }
                if (strokes(word)) {
                    paint(m_paint.stroke, drawings);
                }
            } else if (word == "cm") {
                concatenate(operands);
            } else if (word == "BI") {
                qint64 work = 0;
                bool mask = false;
                if (!inlineImage(lexer, work, mask)) {
                    return false;
                }
                drawings.inlineWork = std::min(largestWork, drawings.inlineWork + work);
                drawings.inlineCover += PdfCover::unitSquare().under(drawnWith());
                if (mask) {
                    paint(m_paint.fill, drawings);
                }
            }
            operands.clear();
            endsWithName = false;
            textBytes = 0;
        }
    }

    // A Q with nothing saved in a stream is ignored by the library, unless
    // the stream is one of a page's content in parts: there it restores a
    // state another part saved, which the content is read as then.
    void setPartOfMany(bool partOfMany) { m_partOfMany = partOfMany; }

    // What text whose font, size, scaling or text matrix its content did
    // not set may be drawn with, as all content read and the file's states
    // set them: the largest size by the font's name (and any a state
    // sets), the largest horizontal scaling and text matrix.
    struct Inherited {
        std::map<std::string, double> fontSizes;
        double stateFontSize = 0;
        double scaling = 1;
        double textMatrix = 1;
    };
    // XObject names that stand for images of colours only, in every version
    // of every object they name: drawing one paints nothing with the fill.
    void setPlainImages(std::set<std::string> names) { m_plainImages = std::move(names); }

    void setStatesSetFonts(double stateFontSize) {
        m_statesSetFonts = stateFontSize > 0;
        m_inherited.stateFontSize = stateFontSize;
    }
    const Inherited& inherited() const { return m_inherited; }

    // What the content last read leaves to a later part of a page's content:
    // the transform at its end, and the largest reach, at least 1, of that
    // and of the states it saved and did not restore.
    const PdfTransform& ending() const { return m_matrix; }
    double peak() const {
        double most = std::max(1.0, m_matrix.reach());
        for (const auto& [matrix, exact] : m_saved) {
            most = std::max(most, matrix.reach());
        }
        return most;
    }
    // Whether it restored a state it had not saved (see restore()): from
    // there on its transforms are known only by their reach.
    bool popped() const { return !m_exact; }

private:
    static constexpr qint64 largestWork = std::numeric_limits<qint64>::max() / 4;

    // The transform a drawing counts as drawn with. Once a restored state is
    // not known here (see restore()), only the reach of the one tracked
    // bounds it: its box is at most that long in every direction.
    PdfTransform drawnWith() const {
        if (m_exact) {
            return m_matrix;
        }
        const double side = std::max(m_matrix.width(), m_matrix.height());
        return {side, side, side, side};
    }

    void restore() {
        if (!m_saved.empty()) {
            std::tie(m_matrix, m_exact) = m_saved.back();
            m_saved.pop_back();
            m_paint = m_savedPaint.back();
            m_savedPaint.pop_back();
            return;
        }
        if (!m_partOfMany) {
            return;
        }
        // The state restored is another part's, at most that part's peak,
        // which counts against this part's drawings: tracked from here on
        // relative to it, at least as large as the transform so far.
        const double side = std::max({1.0, m_matrix.width(), m_matrix.height()});
        m_matrix = PdfTransform{side, 0, 0, side};
        m_exact = false;
    }

    // The inline image's keys up to ID, then past its data to EI; the work
    // of reading its pixels into `work`, and whether it is a mask (/IM given
    // as anything but false) into `mask`.
    static bool inlineImage(Lexer& lexer, qint64& work, bool& mask) {
        qint64 width = -1;
        qint64 height = -1;
        qint64 bits = 8;
        std::string key;
        while (true) {
            const Token token = lexer.next();
            if (token.kind == Kind::end) {
                return true;
            }
            if (token.is(Kind::keyword, "ID")) {
                break;
            }
            if (token.kind == Kind::name && key.empty()) {
                key = std::string(token.view());
                continue;
            }
            if ((key == "IM" || key == "ImageMask") && !token.is(Kind::keyword, "false")) {
                mask = true;
            }
            // A key given again counts at its largest: which value the
            // library takes depends on how many keys there are.
            if (token.kind == Kind::integer || token.kind == Kind::real) {
                const qint64 number = wholePart(token);
                if (key == "W" || key == "Width") {
                    width = std::max(width, number);
                } else if (key == "H" || key == "Height") {
                    height = std::max(height, number);
                } else if (key == "BPC" || key == "BitsPerComponent") {
                    bits = std::max(bits, number);
                }
            }
            key.clear();
        }
        if (width > 0 && height > 0) {
            if (!ImageLimits::admits(width, height)) {
                return false;
            }
            work = pixelWork(width, height, bits);
        }
        const uchar* p = lexer.bytes();
        const qint64 n = lexer.size();
        qint64 at = lexer.position() + 1;
        while (true) {
            const qint64 found = findKeyword(p, n, at, "EI");
            if (found < 0) {
                lexer.seek(n);
                return true;
            }
            if (isWhite(p[found - 1]) && (found + 2 >= n || isWhite(p[found + 2]))) {
                lexer.seek(found + 2);
                return true;
            }
            at = found + 2;
        }
    }

    // The library takes the last six of the operands it kept for a matrix,
    // when all six are numbers.
    static std::optional<PdfTransform>
    lastTransform(const std::vector<std::optional<double>>& operands) {
        if (operands.size() < 6) {
            return std::nullopt;
        }
        const auto six = operands.end() - 6;
        for (auto it = six; it != operands.end(); ++it) {
            if (!*it) {
                return std::nullopt;
            }
        }
        return PdfTransform{*six[0], *six[1], *six[2], *six[3]};
    }

    // A transform given puts itself before the current one.
    void concatenate(const std::vector<std::optional<double>>& operands) {
        if (const auto matrix = lastTransform(operands)) {
            m_matrix = matrix->then(m_matrix);
        }
    }

    static bool setsFillColour(std::string_view word) {
        return word == "cs" || word == "sc" || word == "g" || word == "rg" || word == "k";
    }
    static bool setsStrokeColour(std::string_view word) {
        return word == "CS" || word == "SC" || word == "G" || word == "RG" || word == "K";
    }
    // Shapes filled, and text, which may be filled or stroked.
    static bool fills(std::string_view word) {
        return word == "f" || word == "F" || word == "f*" || word == "B" || word == "B*" ||
               word == "b" || word == "b*" || showsText(word);
    }
    static bool strokes(std::string_view word) {
        return word == "S" || word == "s" || word == "B" || word == "B*" || word == "b" ||
               word == "b*" || showsText(word);
    }
    static bool showsText(std::string_view word) {
        return word == "Tj" || word == "TJ" || word == "'" || word == "\"";
    }
    // The library draws a pattern's cell again for each shape it paints
    // with it, in the space the content began in, under the pattern's own
    // matrix.
    static void paint(const std::string& pattern, Drawings& drawings) {
        if (!pattern.empty()) {
            ++drawings.draws[pattern];
            drawings.transforms[pattern].add(PdfTransform{});
        }
    }

    // What of the graphics state paints: the patterns that are the fill and
    // stroke colours, by name (empty for another colour), and the text's size
    // and horizontal scaling.
    struct Paint {
        std::string fill;
        std::string stroke;
        std::string font;
        std::optional<double> fontSize;
        std::optional<double> horizontalScaling;
    };

    const PdfCostCheck::Limits& m_limits;
    qint64 m_depth = 0;
    bool m_partOfMany = false;
    // The transform now, whether it is known exactly (see restore()), and
    // the same of each saved state.
    PdfTransform m_matrix;
    bool m_exact = true;
    std::vector<std::pair<PdfTransform, bool>> m_saved;
    Paint m_paint;
    std::vector<Paint> m_savedPaint;
    // Across all content read (see Inherited), and whether graphics states
    // of the file set fonts.
    Inherited m_inherited;
    bool m_statesSetFonts = false;
    std::set<std::string> m_plainImages;
    // The text matrix's scaling part, and whether this content set it.
    PdfTransform m_textMatrix;
    bool m_textMatrixSet = false;
};

// The objects of an object stream: "object offset" pairs, then the objects.
void readObjectStream(const Bytes& bytes, const Dict& dict, Findings& findings) {
    const auto* text = reinterpret_cast<const char*>(bytes.data());
    const qint64 n = qint64(bytes.size());
    if (dict.count < 0 || dict.first < 0 || dict.first > n) {
        return;
    }
    Lexer header(text, dict.first);
    std::vector<std::pair<qint64, qint64>> objects;
    for (qint64 i = 0; i < dict.count; ++i) {
        const Token object = header.next();
        const Token offset = header.next();
        if (object.kind != Kind::integer || offset.kind != Kind::integer) {
            break;
        }
        objects.push_back({object.value, offset.value});
    }
    Lexer lexer(text, n);
    ObjectReader reader(lexer, findings);
    // Objects may be made to overlap, each read again from the start of a
    // large one: the reading stops at twice the stream's bytes, leaving the
    // rest unknown (a size that refers to it is then unreadable).
    qint64 read = 0;
    for (const auto& [object, offset] : objects) {
        if (offset < 0 || offset > n - dict.first) {
            continue;
        }
        if (read > 2 * n) {
            return;
        }
        lexer.seek(dict.first + offset);
        const qint64 start = lexer.position();
        const auto count = qScopeGuard([&] { read += lexer.position() - start; });
        const Token first = lexer.next();
        if (first.kind == Kind::integer) {
            auto& held = findings.integers[object];
            held = std::max(held, first.value);
        } else if (first.kind == Kind::arrayOpen) {
            std::vector<qint64> references;
            reader.array(1, &references, nullptr);
            auto& held = findings.arrays[object];
            held.insert(held.end(), references.begin(), references.end());
        } else if (first.kind == Kind::dictOpen) {
            Dict inner;
            reader.dict(1, inner);
            auto& held = findings.dictionaries[object];
            held.insert(held.end(), inner.namedReferences.begin(), inner.namedReferences.end());
            noteObjectExtras(findings, object, inner);
        }
    }
}

// Undoes the predictor of a cross-reference stream's rows; false for one
// not understood here.
bool unpredict(Bytes& bytes, const Dict& dict) {
    if (dict.predictor == 1) {
        return true;
    }
    if (dict.colors != 1 || dict.bitsPerComponent != 8 || dict.columns < 1 || dict.columns > 4096) {
        return false;
    }
    const size_t columns = size_t(dict.columns);
    if (dict.predictor == 2) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % columns != 0) {
                bytes[i] = uchar(bytes[i] + bytes[i - 1]);
            }
        }
        return true;
    }
    if (dict.predictor < 10 || dict.predictor > 15) {
        return false;
    }
    // Each row is a filter byte, then the row.
    Bytes out;
    Bytes previous(columns, 0);
    for (size_t at = 0; at + columns + 1 <= bytes.size(); at += columns + 1) {
        const uchar type = bytes[at];
        Bytes row(bytes.begin() + qsizetype(at + 1), bytes.begin() + qsizetype(at + 1 + columns));
        for (size_t i = 0; i < columns; ++i) {
            const int left = i > 0 ? row[i - 1] : 0;
            const int up = previous[i];
            const int upLeft = i > 0 ? previous[i - 1] : 0;
            int add = 0;
            if (type == 1) {
                add = left;
            } else if (type == 2) {
                add = up;
            } else if (type == 3) {
                add = (left + up) / 2;
            } else if (type == 4) {
                const int p = left + up - upLeft;
                const int pa = std::abs(p - left);
                const int pb = std::abs(p - up);
                const int pc = std::abs(p - upLeft);
                add = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
            }
            row[i] = uchar(row[i] + add);
        }
        out.insert(out.end(), row.begin(), row.end());
        previous = std::move(row);
    }
    bytes = std::move(out);
    return true;
}

// Objects that reading the file in order does not see: behind a string or
// dictionary that never ends, or inside another object's data, where the
// PDF library still finds them through the cross-reference sections or by
// their "N G obj" when it rebuilds a broken table. Every place such a
// header is written, and every place the sections name, is read as an
// object of its own, each within bounds of its own, so that no broken
// object hides the next.
class HiddenObjects {
public:
    HiddenObjects(const QByteArray& data, Findings& findings)
        : m_data(data), m_p(reinterpret_cast<const uchar*>(data.constData())), m_n(data.size()),
          m_findings(findings), m_budget(4 * m_n + megabyte) {}

    enum class Result { read, tooMuch, unreadable };

    Result read() {
        findWords();
        for (const qint64 at : m_trailers) {
            trailerAt(at);
        }
        size_t sections = 0;
        size_t streams = 0;
        while (!stopped()) {
            if (!m_objects.empty()) {
                const qint64 at = m_objects.back();
                m_objects.pop_back();
                objectAt(at);
            } else if (!m_sections.empty()) {
                const qint64 at = m_sections.back();
                m_sections.pop_back();
                sectionAt(at);
            } else if (sections < m_findings.sections.size()) {
                addSection(m_findings.sections[sections++]);
            } else if (streams < m_findings.streams.size()) {
                const Stream stream = m_findings.streams[streams++];
                if (stream.dict.type == "XRef") {
                    crossReferenceStream(stream);
                }
            } else {
                break;
            }
        }
        return m_unreadable ? Result::unreadable : m_over ? Result::tooMuch : Result::read;
    }

private:
    // Objects found beyond those read in order, and places named, past
    // which a file is taken for one made to be slow.
    static constexpr qint64 maximumObjects = 1 << 18;
    static constexpr qint64 maximumPlaces = 1 << 21;

    bool stopped() const { return m_over || m_unreadable; }

    static bool isRegular(uchar c) { return !isWhite(c) && !isDelimiter(c); }
    static bool isDigit(uchar c) { return c >= '0' && c <= '9'; }

    // One pass over the bytes for the words that begin objects and
    // sections.
    void findWords() {
        const std::string_view text(reinterpret_cast<const char*>(m_p), size_t(m_n));
        for (size_t at = text.find("obj"); at != std::string_view::npos && !m_over;
             at = text.find("obj", at + 3)) {
            if (qint64(at) + 3 < m_n && isRegular(m_p[at + 3])) {
                continue;
            }
            // Back over "N G " (the space before obj may be missing).
            qint64 i = qint64(at);
            while (i > 0 && isWhite(m_p[i - 1])) {
                --i;
            }
            const qint64 generationEnd = i;
            while (i > 0 && isDigit(m_p[i - 1])) {
                --i;
            }
            const qint64 spaceEnd = i;
            while (i > 0 && isWhite(m_p[i - 1])) {
                --i;
            }
            const qint64 numberEnd = i;
            while (i > 0 && isDigit(m_p[i - 1])) {
                --i;
            }
            if (spaceEnd < generationEnd && numberEnd < spaceEnd && i < numberEnd) {
                addObject(i);
            }
        }
        for (size_t at = text.find("xref"); at != std::string_view::npos;
             at = text.find("xref", at + 4)) {
            addSection(qint64(at));
        }
        for (size_t at = text.find("startxref"); at != std::string_view::npos;
             at = text.find("startxref", at + 9)) {
            Lexer lexer(m_data.constData(), std::min(m_n, qint64(at) + 64));
            lexer.seek(qint64(at) + 9);
            const Token offset = lexer.next();
            if (offset.kind == Kind::integer) {
                addSection(offset.value);
            }
        }
        for (size_t at = text.find("trailer"); at != std::string_view::npos;
             at = text.find("trailer", at + 7)) {
            if (m_trailers.size() < maximumSections) {
                m_trailers.push_back(qint64(at) + 7);
            }
        }
    }

    void addObject(qint64 at) {
        if (at < 0 || at >= m_n || !m_tried.insert(at).second) {
            return;
        }
        if (++m_places > maximumPlaces) {
            m_over = true;
            return;
        }
        m_objects.push_back(at);
    }

    void addSection(qint64 at) {
        if (at < 0 || at >= m_n || !m_triedSections.insert(at).second) {
            return;
        }
        if (++m_places > maximumPlaces) {
            m_over = true;
            return;
        }
        m_sections.push_back(at);
    }

    // A lexer from `at` that reads no further than the budget left.
    Lexer lexerAt(qint64 at) const {
        Lexer lexer(m_data.constData(), std::min(m_n, at + std::max<qint64>(m_budget, 0)));
        lexer.seek(at);
        return lexer;
    }

    // Counts what a reading took; reading to the end of the budget is
    // reading too much.
    void spend(const Lexer& lexer, qint64 from, qint64 more = 0) {
        m_budget -= std::max<qint64>(1, lexer.position() - from) + more;
        if (m_budget < 0 || (lexer.position() >= lexer.size() && lexer.size() < m_n)) {
            m_over = true;
        }
    }

    // "N G obj" from `at`, as the PDF library reads it there: spaces and
    // comments between, digits ending a number where anything else begins.
    std::optional<std::pair<qint64, qint64>> header(Lexer& lexer) {
        auto integer = [&]() -> std::optional<qint64> {
            const Token token = lexer.next(); // skips spaces and comments
            qint64 i = token.start;
            qint64 value = 0;
            while (i < lexer.size() && isDigit(lexer.bytes()[i]) && value < (qint64(1) << 40)) {
                value = value * 10 + (lexer.bytes()[i++] - '0');
            }
            if (i == token.start) {
                return std::nullopt;
            }
            lexer.seek(i);
            return value;
        };
        const auto number = integer();
        const auto generation = number ? integer() : std::nullopt;
        if (!generation || !lexer.next().is(Kind::keyword, "obj")) {
            return std::nullopt;
        }
        return std::pair{*number, *generation};
    }

    // The object whose header begins at `at`, unless read already.
    void objectAt(qint64 at) {
        Lexer lexer = lexerAt(at);
        const auto numbers = header(lexer);
        spend(lexer, at);
        if (!numbers || m_over) {
            return;
        }
        const auto [object, generation] = *numbers;
        const qint64 begin = lexer.position();
        const auto& inOrder = m_findings.objectsInOrder;
        const auto known = std::lower_bound(inOrder.begin(), inOrder.end(),
                                            std::pair<qint64, qint64>{begin, object});
        if ((known != inOrder.end() && *known == std::pair{begin, object}) ||
            !m_read.insert({begin, object}).second) {
            return;
        }
        if (++m_hidden > maximumObjects) {
            m_over = true;
            return;
        }
        ObjectReader reader(lexer, m_findings);
        const Token first = lexer.next();
        qint64 streamBytes = 0;
        if (first.kind == Kind::integer) {
            const Number number = reader.value(first, 0);
            if (number.kind == Number::Kind::direct) {
                auto& held = m_findings.integers[object];
                held = std::max(held, number.value);
            }
        } else if (first.kind == Kind::arrayOpen) {
            std::vector<qint64> references;
            reader.array(1, &references, nullptr);
            auto& held = m_findings.arrays[object];
            held.insert(held.end(), references.begin(), references.end());
        } else if (first.kind == Kind::dictOpen) {
            Dict dict;
            reader.dict(1, dict);
            noteObjectDictionary(m_findings, object, dict, first.start);
            const qint64 after = lexer.position();
            if (lexer.next().is(Kind::keyword, "stream")) {
                const auto [start, end] = streamExtent(lexer, dict.length, &streamBytes);
                m_findings.streams.push_back({object, generation, dict, start, end});
                lexer.seek(end);
            } else {
                lexer.seek(after);
            }
        }
        spend(lexer, begin, streamBytes);
    }

    // A cross-reference table, or a cross-reference stream's object.
    void sectionAt(qint64 at) {
        Lexer lexer = lexerAt(at);
        const Token first = lexer.next();
        if (first.kind == Kind::integer) {
            spend(lexer, at);
            addObject(at);
            return;
        }
        if (!first.is(Kind::keyword, "xref") || !m_tables.insert(first.start).second) {
            spend(lexer, at);
            return;
        }
        while (!stopped()) {
            const Token start = lexer.next();
            if (start.is(Kind::keyword, "trailer")) {
                spend(lexer, at);
                trailerAt(lexer.position());
                return;
            }
            const Token count = lexer.next();
            if (start.kind != Kind::integer || count.kind != Kind::integer) {
                break;
            }
            for (qint64 i = 0; i < count.value && !stopped(); ++i) {
                const Token offset = lexer.next();
                const Token generation = lexer.next();
                const Token type = lexer.next();
                if (offset.kind != Kind::integer || generation.kind != Kind::integer ||
                    !(type.is(Kind::keyword, "n") || type.is(Kind::keyword, "f"))) {
                    break;
                }
                if (type.is(Kind::keyword, "n")) {
                    addObject(offset.value);
                }
            }
        }
        spend(lexer, at);
    }

    // The dictionary after a "trailer", unless read in order already.
    void trailerAt(qint64 at) {
        Lexer lexer = lexerAt(at);
        const Token first = lexer.next();
        const auto& inOrder = m_findings.dictionariesInOrder;
        if (first.kind == Kind::dictOpen &&
            !std::binary_search(inOrder.begin(), inOrder.end(), first.start) &&
            m_trailerDictionaries.insert(first.start).second) {
            ObjectReader reader(lexer, m_findings);
            Dict dict;
            reader.dict(1, dict);
        }
        spend(lexer, at);
    }

    // The objects a cross-reference stream places in the file. One this
    // check cannot decode leaves them unknown.
    void crossReferenceStream(const Stream& stream) {
        const auto& w = stream.dict.widths;
        if (w.size() < 3 ||
            std::any_of(w.begin(), w.begin() + 3, [](qint64 v) { return v < 0 || v > 8; })) {
            return; // the library does not read it either
        }
        const qint64 row = w[0] + w[1] + w[2];
        if (row == 0) {
            return;
        }
        const Bytes raw(m_p + stream.start, m_p + stream.end);
        // All cross-reference streams together hold no more rows than places
        // are read.
        const auto decoded = decode({raw}, stream, m_rowBytes, false);
        if (!decoded || stream.dict.oddParameters) {
            m_unreadable = true;
            return;
        }
        for (Bytes bytes : *decoded) {
            m_rowBytes -= qint64(bytes.size());
            if (m_rowBytes < 0) {
                m_over = true;
                return;
            }
            if (!unpredict(bytes, stream.dict)) {
                m_unreadable = true;
                return;
            }
            auto field = [&](size_t at, qint64 width) {
                qint64 v = 0;
                for (qint64 i = 0; i < width; ++i) {
                    v = (v << 8) | bytes[at + size_t(i)];
                }
                return v;
            };
            for (size_t at = 0; at + size_t(row) <= bytes.size() && !stopped(); at += size_t(row)) {
                const qint64 type = w[0] == 0 ? 1 : field(at, w[0]);
                if (type == 1) {
                    addObject(field(at + size_t(w[0]), w[1]));
                }
            }
        }
    }

    const QByteArray& m_data;
    const uchar* m_p;
    qint64 m_n;
    Findings& m_findings;
    // Bytes that readings beyond the one in order may take, in all.
    qint64 m_budget;
    qint64 m_places = 0;
    qint64 m_hidden = 0;
    qint64 m_rowBytes = maximumPlaces * 8;
    bool m_over = false;
    bool m_unreadable = false;
    std::vector<qint64> m_objects;
    std::vector<qint64> m_sections;
    std::vector<qint64> m_trailers;
    std::unordered_set<qint64> m_tried;
    std::unordered_set<qint64> m_triedSections;
    std::set<qint64> m_tables;
    std::set<qint64> m_trailerDictionaries;
    std::set<std::pair<qint64, qint64>> m_read;
};

// Image XObjects, and page thumbnails, which are images without a subtype.
bool isImage(const Dict& dict) {
    return dict.subtype == "Image" ||
           (dict.subtype.empty() && dict.width.kind != Number::Kind::none &&
            dict.height.kind != Number::Kind::none);
}

// The XObject names each of whose objects is, in every version, an image
// that is no mask; a name of anything else, or of nothing found, is not one.
std::set<std::string> plainImageNames(const Findings& findings) {
    std::set<qint64> plain;
    std::set<qint64> other;
    for (const Stream& stream : findings.streams) {
        if (stream.object >= 0) {
            (stream.dict.subtype == "Image" && !stream.dict.imageMask ? plain : other)
                .insert(stream.object);
        }
    }
    std::set<std::string> names;
    for (auto it = findings.xobjects.begin(); it != findings.xobjects.end();) {
        const auto last = findings.xobjects.upper_bound(it->first);
        if (std::all_of(it, last, [&](const auto& named) {
                return plain.count(named.second) > 0 && other.count(named.second) == 0;
            })) {
            names.insert(it->first);
        }
        it = last;
    }
    return names;
}

// Streams that hold data rather than drawing: font programs, embedded files,
// metadata, cross-reference streams. The PDF library may still be made to
// draw one (a glyph procedure carries no mark of its own), so they are
// read too, within a budget of their own.
bool holdsData(const Dict& dict) {
    if (dict.subtype == "Form") {
        return false;
    }
    return dict.fontProgram || dict.subtype == "Type1C" || dict.subtype == "CIDFontType0C" ||
           dict.subtype == "OpenType" || dict.subtype == "XML" || dict.type == "EmbeddedFile" ||
           dict.type == "Metadata" || dict.type == "XRef";
}

// An image the library scales up is made at the size it covers before it is
// clipped: each pixel it covers at the resolution a print is drawn at counts
// as a pixel of the image does.
constexpr double devicePixelsPerSquarePoint = (600.0 / 72.0) * (600.0 / 72.0);

struct Drawn {
    qint64 work = 0; // bytes of content, or pixels over pixelsPerByteOfWork
    Drawings drawings;
    std::optional<PdfTransform> matrix;           // a form's
    std::optional<std::pair<double, double>> box; // a form's /BBox sides
    // What the content leaves to later parts of a page (see ContentReader),
    // and whether that is known exactly: one reading, and no state restored
    // that it had not saved.
    PdfTransform ending;
    double peak = 1;
    bool exact = true;
    int readings = 0;
    bool drawsContent = false;
    bool image = false;
};

// The work of drawing an object with all it draws, up to one past the
// budget. A form that draws itself, or forms nested deeper than any real
// document nests them, count as past it.
struct WorkCount {
    const std::map<qint64, Drawn>& drawn;
    const std::multimap<std::string, qint64>& xobjects;
    qint64 budget;
    std::map<qint64, qint64> known{};
    std::map<std::string, qint64> knownNames{};
    std::set<qint64> open{};

    static constexpr int maximumNesting = 64;

    // The costliest of the objects a name stands for, found once for all
    // that draw it.
    qint64 ofName(const std::string& name, int depth) {
        if (const auto done = knownNames.find(name); done != knownNames.end()) {
            return done->second;
        }
        qint64 most = 0;
        const auto [first, last] = xobjects.equal_range(name);
        for (auto it = first; it != last && most <= budget; ++it) {
            most = std::max(most, of(it->second, depth + 1));
        }
        knownNames[name] = most;
        return most;
    }

    qint64 of(qint64 object, int depth) {
        const auto found = drawn.find(object);
        if (found == drawn.end()) {
            return 0;
        }
        if (const auto done = known.find(object); done != known.end()) {
            return done->second;
        }
        if (depth > maximumNesting || open.count(object) > 0) {
            return budget + 1;
        }
        open.insert(object);
        qint64 total = std::min(budget + 1, found->second.work + found->second.drawings.inlineWork);
        for (const auto& [name, times] : found->second.drawings.draws) {
            const qint64 most = ofName(name, depth);
            if (most > 0 && times > (budget + 1 - total) / most) {
                total = budget + 1;
            } else {
                total += times * most;
            }
            if (total > budget) {
                total = budget + 1;
                break;
            }
        }
        open.erase(object);
        known[object] = total;
        return total;
    }
};

// What an object's drawings cover in its own units, with all it draws: an
// image its unit square, a form what its content covers, under each
// transform it is drawn with and its own matrix. A form that draws itself,
// or forms nested deeper than any real document nests them, cover more than
// any bound.
struct AreaCount {
    const std::map<qint64, Drawn>& drawn;
    const std::multimap<std::string, qint64>& xobjects;
    std::map<qint64, PdfCover> known{};
    std::map<std::string, PdfCover> knownNames{};
    std::set<qint64> open{};

    // What the objects a name stands for cover, each sum at the largest of
    // theirs (at least what any of them makes under a transform), found once
    // for all that draw it.
    PdfCover ofName(const std::string& name, int depth) {
        if (const auto done = knownNames.find(name); done != knownNames.end()) {
            return done->second;
        }
        PdfCover most;
        const auto [first, last] = xobjects.equal_range(name);
        for (auto it = first; it != last; ++it) {
            // Something that is an image in one version and content in
            // another counts as the larger of the two.
            const auto inner = drawn.find(it->second);
            const bool image = inner != drawn.end() && inner->second.image;
            const PdfCover drawnCover = of(it->second, depth + 1);
            most = PdfCover::larger(
                most, image ? PdfCover::larger(PdfCover::unitSquare(), drawnCover) : drawnCover);
        }
        knownNames[name] = most;
        return most;
    }

    PdfCover of(qint64 object, int depth) {
        const auto found = drawn.find(object);
        if (found == drawn.end()) {
            return {};
        }
        const Drawn& drawing = found->second;
        if (drawing.image && !drawing.drawsContent) {
            return PdfCover::unitSquare();
        }
        if (const auto done = known.find(object); done != known.end()) {
            return done->second;
        }
        if (depth > WorkCount::maximumNesting || open.count(object) > 0) {
            return PdfCover::unbounded();
        }
        open.insert(object);
        PdfCover total = drawing.drawings.inlineCover;
        for (const auto& [name, transforms] : drawing.drawings.transforms) {
            total += transforms(ofName(name, depth));
        }
        open.erase(object);
        if (drawing.matrix && !drawing.matrix->identity()) {
            total = total.under(*drawing.matrix);
        }
        known[object] = total;
        return total;
    }

    // Over the budget, at the resolution a print is drawn at.
    static bool exceeds(double area, qint64 budget) {
        return area * devicePixelsPerSquarePoint / double(pixelsPerByteOfWork) > double(budget);
    }
};

// Adds each Type 3 font to what is drawn, as a form of the font's matrix
// that draws the costliest of its glyph procedures (under keys below any
// stream's), and to the XObjects' names by the names /Font resources give
// it: as text shows it, at the scaling the content set or at the largest
// set, and in a font and at a size the content did not set, at the largest
// size any of its names, or a state, is set at. A numbered font is named
// through its object, and a /CharProcs dictionary shared by fonts is one
// name, so that nothing multiplies names by fonts or fonts by procedures.
void fontsByName(Findings& findings, std::map<qint64, Drawn>& drawn,
                 const ContentReader::Inherited& inherited) {
    const std::vector<std::pair<std::string, qint64>> none;
    const auto references = [&](qint64 object) -> const auto& {
        const auto found = findings.dictionaries.find(object);
        return found != findings.dictionaries.end() ? found->second : none;
    };
    // Keys of what is drawn: the fonts in three kinds, and the objects that
    // are fonts.
    const qint64 fonts = std::numeric_limits<qint64>::min() / 2;
    const qint64 objects = std::numeric_limits<qint64>::min() / 4;
    const auto form = [&](qint64 key, const PdfTransform& matrix,
                          const std::vector<std::string>& draws) {
        Drawn& made = drawn[key]; // drawn only by text, not measured by itself
        made.matrix = matrix;
        for (const std::string& name : draws) {
            made.drawings.draws[name] = 1;
            made.drawings.transforms[name].add(PdfTransform{});
        }
    };
    // The names that name each font, to find the largest size it is set at.
    std::set<std::pair<std::string, std::size_t>> inPlace = findings.fontsInPlace;
    std::set<std::pair<std::string, qint64>> numbered = findings.fontNames;
    for (const qint64 dictionary :
         std::set<qint64>(findings.fontDictionaries.begin(), findings.fontDictionaries.end())) {
        numbered.insert(references(dictionary).begin(), references(dictionary).end());
        if (const auto found = findings.fontsInPlaceOf.find(dictionary);
            found != findings.fontsInPlaceOf.end()) {
            inPlace.insert(found->second.begin(), found->second.end());
        }
    }
    const auto sizeOf = [&](const std::string& name) {
        const auto found = inherited.fontSizes.find(name);
        return found != inherited.fontSizes.end() ? found->second : 0.0;
    };
    std::vector<double> sizes(findings.type3Fonts.size(), 0.0);
    for (const auto& [name, font] : inPlace) {
        sizes[font] = std::max(sizes[font], sizeOf(name));
    }
    std::map<qint64, double> objectSizes;
    for (const auto& [name, object] : numbered) {
        objectSizes[object] = std::max(objectSizes[object], sizeOf(name));
    }
    for (const auto& [object, size] : objectSizes) {
        if (const auto found = findings.fontsOfObject.find(object);
            found != findings.fontsOfObject.end()) {
            for (const std::size_t font : found->second) {
                sizes[font] = std::max(sizes[font], size);
            }
        }
    }
    std::set<qint64> dictionaries;
    for (std::size_t font = 0; font < findings.type3Fonts.size(); ++font) {
        const Findings::Type3Font& given = findings.type3Fonts[font];
        std::vector<std::string> procedures;
        if (!given.procedures.empty()) {
            procedures.push_back("procedures of font " + std::to_string(font));
            for (const qint64 procedure : given.procedures) {
                findings.xobjects.emplace(procedures.back(), procedure);
            }
        }
        for (const qint64 dictionary :
             std::set<qint64>(given.dictionaries.begin(), given.dictionaries.end())) {
            procedures.push_back("procedures of " + std::to_string(dictionary));
            if (dictionaries.insert(dictionary).second) {
                for (const auto& [name, procedure] : references(dictionary)) {
                    findings.xobjects.emplace(procedures.back(), procedure);
                }
            }
        }
        const double size = std::max({1.0, sizes[font], inherited.stateFontSize});
        const double text = inherited.textMatrix;
        const qint64 key = fonts + 3 * qint64(font);
        form(key, given.matrix, procedures);
        form(key + 1, given.matrix.then(PdfTransform{inherited.scaling, 0, 0, 1}), procedures);
        form(key + 2,
             given.matrix.then(PdfTransform{size * inherited.scaling * text, 0, 0, size * text}),
             procedures);
        findings.xobjects.emplace(inheritedGlyph, key + 2);
    }
    const auto name = [&](const std::string& as, qint64 key) {
        findings.xobjects.emplace(glyphOf(as), key);
        findings.xobjects.emplace(scaledGlyphOf(as), key + 1);
    };
    for (const auto& [as, font] : inPlace) {
        name(as, fonts + 3 * qint64(font));
    }
    std::set<qint64> named;
    for (const auto& [as, object] : numbered) {
        const auto found = findings.fontsOfObject.find(object);
        if (found == findings.fontsOfObject.end()) {
            continue;
        }
        name(as, objects + 2 * object);
        if (named.insert(object).second) {
            const std::string plain = "fonts of object " + std::to_string(object);
            const std::string scaled = "scaled fonts of object " + std::to_string(object);
            form(objects + 2 * object, PdfTransform{}, {plain});
            form(objects + 2 * object + 1, PdfTransform{}, {scaled});
            for (const std::size_t font : found->second) {
                findings.xobjects.emplace(plain, fonts + 3 * qint64(font));
                findings.xobjects.emplace(scaled, fonts + 3 * qint64(font) + 1);
            }
        }
    }
}

// A graphics state holds one soft mask; more groups than this for one state
// are no real document's.
constexpr std::size_t maximumGroupsOfState = 8;

// Adds to the XObjects' names what each graphics state draws by its name:
// its soft mask's group, given in place or by the mask's dictionary. False
// for a state with more groups than a real one has.
bool softMaskGroupsByName(Findings& findings) {
    const std::vector<std::pair<std::string, qint64>> none;
    const auto references = [&](qint64 object) -> const auto& {
        const auto found = findings.dictionaries.find(object);
        return found != findings.dictionaries.end() ? found->second : none;
    };
    std::set<std::pair<std::string, qint64>> states(findings.graphicsStates.begin(),
                                                    findings.graphicsStates.end());
    // States given in place: a group, or a mask's dictionary naming one.
    std::set<std::pair<std::string, qint64>> drawn;
    std::set<std::pair<std::string, qint64>> inPlace = findings.statesInPlace;
    for (const qint64 dictionary : std::set<qint64>(findings.graphicsStateDictionaries.begin(),
                                                    findings.graphicsStateDictionaries.end())) {
        states.insert(references(dictionary).begin(), references(dictionary).end());
        const auto given = findings.statesSoftMasks.find(dictionary);
        if (given != findings.statesSoftMasks.end()) {
            inPlace.insert(given->second.begin(), given->second.end());
        }
    }
    for (const auto& [name, object] : inPlace) {
        drawn.emplace(name, object);
        for (const auto& [key, group] : references(object)) {
            if (key == "G") {
                drawn.emplace(name, group);
            }
        }
    }
    std::map<qint64, std::set<qint64>> groupsOfMask;
    std::map<qint64, std::set<qint64>> groupsOfState;
    for (const auto& [name, state] : states) {
        auto [known, fresh] = groupsOfState.try_emplace(state);
        std::set<qint64>& groups = known->second;
        if (fresh) {
            const auto given = findings.softMasks.find(state);
            if (given != findings.softMasks.end()) {
                groups.insert(given->second.begin(), given->second.end());
            }
            for (const auto& [key, mask] : references(state)) {
                if (key != "SMask" || groups.size() > maximumGroupsOfState) {
                    continue;
                }
                auto [maskGroups, maskFresh] = groupsOfMask.try_emplace(mask);
                if (maskFresh) {
                    for (const auto& [maskKey, group] : references(mask)) {
                        if (maskKey == "G" && maskGroups->second.size() <= maximumGroupsOfState) {
                            maskGroups->second.insert(group);
                        }
                    }
                }
                groups.insert(maskGroups->second.begin(), maskGroups->second.end());
            }
        }
        if (groups.size() > maximumGroupsOfState) {
            return false;
        }
        for (const qint64 group : groups) {
            drawn.emplace(name, group);
        }
    }
    for (const auto& [name, group] : drawn) {
        findings.xobjects.emplace(drawnByState(name), group);
    }
    return true;
}

// An annotation shows one appearance for each of a few states; more than
// this are no real document's.
constexpr std::size_t maximumAppearances = 64;

// An annotation's appearance forms, each once: given as forms, or as
// dictionaries of forms by state, in place or by the /AP dictionary given
// by reference. Nothing for more than a real annotation shows.
std::optional<std::set<qint64>> appearanceForms(const Findings& findings,
                                                const std::map<qint64, Drawn>& drawn,
                                                const Findings::Annotation& annotation) {
    const std::vector<std::pair<std::string, qint64>> none;
    const auto referencesOf = [&](qint64 object) -> const auto& {
        const auto found = findings.dictionaries.find(object);
        return found != findings.dictionaries.end() ? found->second : none;
    };
    std::set<qint64> given(annotation.appearances.begin(), annotation.appearances.end());
    for (const qint64 dictionary : annotation.dictionaries) {
        for (const auto& [key, object] : referencesOf(dictionary)) {
            given.insert(object);
            if (given.size() > maximumAppearances) {
                return std::nullopt;
            }
        }
        if (const auto found = findings.childReferences.find(dictionary);
            found != findings.childReferences.end()) {
            given.insert(found->second.begin(), found->second.end());
        }
    }
    if (given.size() > maximumAppearances) {
        return std::nullopt;
    }
    std::set<qint64> forms;
    for (const qint64 object : given) {
        forms.insert(object);
        if (drawn.count(object) == 0) {
            for (const auto& [state, form] : referencesOf(object)) {
                forms.insert(form);
                if (forms.size() > maximumAppearances) {
                    return std::nullopt;
                }
            }
        }
    }
    return forms;
}

// The library draws an annotation's appearance scaled from the box around
// the form's /BBox under its /Matrix to the annotation's /Rect, each side by
// itself (a side of nothing is not scaled).
PdfTransform appearanceFit(const std::pair<double, double>& rect, const Drawn& form) {
    const auto [boxWidth, boxHeight] = *form.box;
    if (boxWidth < 0) {
        return unboundedTransform();
    }
    const PdfTransform m = form.matrix.value_or(PdfTransform{});
    const double width = std::abs(m.a) * boxWidth + std::abs(m.c) * boxHeight;
    const double height = std::abs(m.b) * boxWidth + std::abs(m.d) * boxHeight;
    return {width > 0 ? PdfCover::capped(rect.first / width) : 1, 0, 0,
            height > 0 ? PdfCover::capped(rect.second / height) : 1};
}

// Each annotation's appearances with the scale its box gives them; nothing
// for an annotation with more appearances than a real one has.
std::optional<std::vector<std::vector<std::pair<qint64, PdfTransform>>>>
appearancesShown(const Findings& findings, const std::map<qint64, Drawn>& drawn) {
    std::vector<std::vector<std::pair<qint64, PdfTransform>>> shown;
    for (const Findings::Annotation& annotation : findings.annotations) {
        const auto forms = appearanceForms(findings, drawn, annotation);
        if (!forms) {
            return std::nullopt;
        }
        auto& fitted = shown.emplace_back();
        for (const qint64 form : *forms) {
            const auto found = drawn.find(form);
            if (found != drawn.end() && found->second.box) {
                fitted.emplace_back(form, appearanceFit(annotation.rect, found->second));
            }
        }
    }
    return shown;
}

// An encryption dictionary's entries from where it begins; nothing when they
// are not all plain values.
std::optional<PdfSecurityHandler::Entries> readEncryption(const QByteArray& data, qint64 at) {
    using Entries = PdfSecurityHandler::Entries;
    Lexer lexer(data.constData(), data.size());
    lexer.seek(at);
    auto skip = [&lexer](Kind open) {
        int depth = open == Kind::dictOpen || open == Kind::arrayOpen ? 1 : 0;
        while (depth > 0) {
            const Token token = lexer.next();
            if (token.kind == Kind::end) {
                return;
            }
            if (token.kind == Kind::dictOpen || token.kind == Kind::arrayOpen) {
                ++depth;
            } else if (token.kind == Kind::dictClose || token.kind == Kind::arrayClose) {
                --depth;
            }
        }
    };
    // An integer that is no reference.
    auto integer = [&lexer](const Token& token) -> std::optional<qint64> {
        if (token.kind != Kind::integer) {
            return std::nullopt;
        }
        const qint64 after = lexer.position();
        const Token generation = lexer.next();
        if (generation.kind == Kind::integer && lexer.next().is(Kind::keyword, "R")) {
            return std::nullopt;
        }
        lexer.seek(after);
        return token.value;
    };
    if (lexer.next().kind != Kind::dictOpen) {
        return std::nullopt;
    }
    Entries entries;
    // A key given twice may be read either way: the dictionary is not read.
    std::set<std::string> keys;
    while (true) {
        const Token key = lexer.next();
        if (key.kind == Kind::dictClose) {
            return entries;
        }
        if (key.kind != Kind::name || !keys.insert(std::string(key.view())).second) {
            return std::nullopt;
        }
        const Token value = lexer.next();
        const std::string_view k = key.view();
        const QByteArray name = QByteArray(value.view().data(), qsizetype(value.view().size()));
        if (value.kind == Kind::integer) {
            const auto number = integer(value);
            const bool used = k == "V" || k == "R" || k == "Length" || k == "P";
            if (!number && used) {
                return std::nullopt; // a reference: the value is elsewhere
            }
            if (k == "V") {
                entries.v = number;
            } else if (k == "R") {
                entries.r = number;
            } else if (k == "Length") {
                entries.length = number;
            } else if (k == "P") {
                entries.p = number;
            }
        } else if (value.kind == Kind::name) {
            if (k == "Filter") {
                entries.filter = name;
            } else if (k == "StmF") {
                entries.streamFilter = name;
            } else if (k == "StrF") {
                entries.stringFilter = name;
            }
        } else if (value.kind == Kind::string) {
            const QByteArray bytes = stringBytes(lexer.bytes(), value.start, lexer.position());
            if (k == "O") {
                entries.o = bytes;
            } else if (k == "U") {
                entries.u = bytes;
            } else if (k == "OE") {
                entries.oe = bytes;
            } else if (k == "UE") {
                entries.ue = bytes;
            }
        } else if (value.kind == Kind::keyword && (name == "true" || name == "false")) {
            if (k == "EncryptMetadata") {
                entries.encryptMetadata = name == "true";
            }
        } else if (value.kind == Kind::dictOpen && k == "CF") {
            entries.hasCryptFilters = true;
            // Crypt filters by name, each a dictionary of plain values.
            while (true) {
                const Token filterName = lexer.next();
                if (filterName.kind == Kind::dictClose) {
                    break;
                }
                const Token open = lexer.next();
                const std::string_view n = filterName.view();
                const QByteArray filterKeyName(n.data(), qsizetype(n.size()));
                if (filterName.kind != Kind::name || open.kind != Kind::dictOpen ||
                    entries.cryptFilters.size() >= maximumEncryptions ||
                    entries.cryptFilters.count(filterKeyName) > 0) {
                    return std::nullopt;
                }
                Entries::CryptFilter filter;
                std::set<std::string> filterKeys;
                while (true) {
                    const Token filterKey = lexer.next();
                    if (filterKey.kind == Kind::dictClose) {
                        break;
                    }
                    const Token filterValue = lexer.next();
                    if (filterKey.kind != Kind::name || filterValue.kind == Kind::end ||
                        !filterKeys.insert(std::string(filterKey.view())).second) {
                        return std::nullopt;
                    }
                    if (filterKey.view() == "CFM" && filterValue.kind == Kind::name) {
                        filter.method = QByteArray(filterValue.view().data(),
                                                   qsizetype(filterValue.view().size()));
                    } else if (filterKey.view() == "Length") {
                        filter.length = integer(filterValue);
                        if (!filter.length) {
                            return std::nullopt;
                        }
                    } else if (filterValue.kind == Kind::integer) {
                        integer(filterValue); // past a reference
                    } else {
                        skip(filterValue.kind);
                    }
                }
                entries.cryptFilters[filterKeyName] = filter;
            }
        } else if (value.kind == Kind::end || value.kind == Kind::dictClose) {
            return std::nullopt;
        } else {
            skip(value.kind);
        }
    }
}

// The security handler of an encrypted document: every dictionary that
// names one must name the same, whichever the PDF library takes for its
// trailer. Nothing when it cannot be opened with the empty password.
std::optional<PdfSecurityHandler> openSecurity(const QByteArray& data, const Findings& findings) {
    if (findings.encryptions.empty() || findings.manyEncryptions) {
        return std::nullopt;
    }
    std::set<std::pair<qint64, QByteArray>> tried; // where, /ID
    std::optional<PdfSecurityHandler> handler;
    for (const auto& source : findings.encryptions) {
        std::vector<qint64> places;
        if (source.at >= 0) {
            places.push_back(source.at);
        }
        for (const auto& [object, at] : findings.standardDictionaries) {
            if (source.at < 0 && object == source.object) {
                places.push_back(at);
            }
        }
        if (places.empty()) {
            return std::nullopt;
        }
        for (const qint64 at : places) {
            if (!tried.insert({at, source.id}).second) {
                continue;
            }
            if (tried.size() > maximumEncryptions) {
                return std::nullopt;
            }
            auto entries = readEncryption(data, at);
            if (!entries) {
                return std::nullopt;
            }
            entries->id = source.id;
            const auto opened = PdfSecurityHandler::open(*entries);
            if (!opened || (handler && !(*opened == *handler))) {
                return std::nullopt;
            }
            handler = opened;
        }
    }
    return handler;
}

} // namespace

PdfCostCheck::Limits PdfCostCheck::limits() {
    // Page content beyond this takes seconds for every drawing of the page;
    // the nesting of saved states in real documents stays in the tens. Fonts
    // and embedded files of a large document may take several times the
    // content's bytes.
    return Limits{64 * megabyte, 1024};
}

PdfCostCheck::Verdict PdfCostCheck::check(const QByteArray& data) {
    return check(data, limits());
}

PdfCostCheck::Verdict PdfCostCheck::check(const QByteArray& data, const Limits& limits) {
    Findings findings;
    readFile(data, findings);
    switch (HiddenObjects(data, findings).read()) {
    case HiddenObjects::Result::read:
        break;
    case HiddenObjects::Result::tooMuch:
        return Verdict::tooLarge;
    case HiddenObjects::Result::unreadable:
        return Verdict::unreadable;
    }
    // An encrypted document is measured decrypted, as the PDF library reads
    // it with the empty password; one that needs another is not read.
    std::optional<PdfSecurityHandler> security;
    if (findings.encrypted) {
        security = openSecurity(data, findings);
        if (!security) {
            return Verdict::unreadable;
        }
    }
    // A stream's bytes, and decrypted when the document is encrypted. Which
    // dictionary the library takes for the trailer, and so whether it
    // decrypts at all, is not known without following the cross-reference
    // table, and the streams that are not to be decrypted (cross-reference
    // streams, metadata kept readable) are told apart by entries a hostile
    // file can set anywhere: both readings are measured.
    auto readings = [&](const Stream& stream) {
        const auto* begin = reinterpret_cast<const uchar*>(data.constData());
        std::vector<Bytes> out{Bytes(begin + stream.start, begin + stream.end)};
        if (security && security->cipher() != PdfSecurityHandler::Cipher::none &&
            stream.object >= 0) {
            const QByteArray plain = security->decrypt(
                QByteArrayView(data).sliced(stream.start, stream.end - stream.start), stream.object,
                stream.generation);
            out.insert(out.begin(), Bytes(plain.begin(), plain.end()));
        }
        return out;
    };
    const bool encrypted = security.has_value();
    const qint64 dataLimit = 4 * limits.contentBytes;
    qint64 contentBytes = 0;
    qint64 dataBytes = 0;
    // Object streams first: they may hold the integers sizes refer to.
    for (const Stream& stream : findings.streams) {
        if (stream.dict.type != "ObjStm") {
            continue;
        }
        const auto decoded = decode(readings(stream), stream, dataLimit - dataBytes, encrypted);
        if (!decoded) {
            return Verdict::unreadable;
        }
        for (const Bytes& bytes : *decoded) {
            dataBytes += qint64(bytes.size());
            if (dataBytes > dataLimit) {
                return Verdict::tooLarge;
            }
            readObjectStream(bytes, stream.dict, findings);
        }
    }
    // A /Contents by reference names a stream or an array of them: both are
    // taken as the page's, the first a page of one part.
    for (const qint64 array : findings.contentArrays) {
        findings.contentGroups.push_back({array});
        const auto found = findings.arrays.find(array);
        if (found != findings.arrays.end()) {
            findings.contents.insert(found->second.begin(), found->second.end());
            findings.contentGroups.push_back(found->second);
        }
    }
    std::set<qint64> partsOfMany;
    for (const auto& group : findings.contentGroups) {
        if (group.size() > 1) {
            partsOfMany.insert(group.begin(), group.end());
        }
    }
    auto resolve = [&](const Number& number) -> std::optional<qint64> {
        if (number.kind == Number::Kind::direct) {
            return number.value;
        }
        const auto found = findings.integers.find(number.value);
        if (number.kind == Number::Kind::reference && found != findings.integers.end()) {
            return found->second;
        }
        return std::nullopt;
    };
    // Each dictionary once, however many resources name it.
    for (const qint64 dictionary : std::set<qint64>(findings.xobjectDictionaries.begin(),
                                                    findings.xobjectDictionaries.end())) {
        const auto found = findings.dictionaries.find(dictionary);
        if (found != findings.dictionaries.end()) {
            for (const auto& [name, object] : found->second) {
                findings.xobjects.emplace(name, object);
            }
        }
    }
    ContentReader content(limits);
    content.setStatesSetFonts(findings.stateFontSize);
    content.setPlainImages(plainImageNames(findings));
    // What drawing each stream takes by itself, and the XObjects it draws;
    // streams without a number get keys of their own below zero.
    std::map<qint64, Drawn> drawn;
    qint64 unnumbered = 0;
    for (const Stream& stream : findings.streams) {
        if (stream.dict.type == "ObjStm") {
            continue;
        }
        const qint64 key = stream.object >= 0 ? stream.object : --unnumbered;
        const bool named = stream.object >= 0 && findings.contents.count(stream.object) > 0;
        const bool image = isImage(stream.dict);
        if (image && stream.dict.sidesUnknown) {
            return Verdict::unreadable;
        }
        if (image && stream.dict.width.kind != Number::Kind::none &&
            stream.dict.height.kind != Number::Kind::none) {
            const auto width = resolve(stream.dict.width);
            const auto height = resolve(stream.dict.height);
            if (!width || !height) {
                return Verdict::unreadable;
            }
            if (*width > 0 && *height > 0 && !ImageLimits::admits(*width, *height)) {
                return Verdict::tooLarge;
            }
            if (*width > 0 && *height > 0) {
                Drawn& pixels = drawn[key];
                pixels.work =
                    std::max(pixels.work, pixelWork(*width, *height, stream.dict.componentBits));
                pixels.image = true;
            }
        }
        // An image is read for its pixels, so many as its sides say; only
        // when page content names it is it read as content.
        if (image && !named) {
            continue;
        }
        const bool dataLike = holdsData(stream.dict) && !named;
        qint64& used = dataLike ? dataBytes : contentBytes;
        const qint64 limit = dataLike ? dataLimit : limits.contentBytes;
        // Data that is only inflated is counted, not kept.
        if (dataLike && stream.dict.filters.size() == 1 &&
            (stream.dict.filters[0] == "FlateDecode" || stream.dict.filters[0] == "Fl")) {
            for (const Bytes& bytes : readings(stream)) {
                used += inflateBytes(bytes.data(), bytes.size(), nullptr, limit - used);
                if (used > limit) {
                    return Verdict::tooLarge;
                }
            }
            continue;
        }
        const auto decoded = decode(readings(stream), stream, limit - used, encrypted);
        if (!decoded) {
            // Only images carry the filters of picture codecs; as content
            // they are more than can be measured here.
            if ((image && !named) || dataLike) {
                continue;
            }
            return Verdict::unreadable;
        }
        Drawn& work = drawn[key];
        work.drawsContent = !dataLike;
        // Versions of one object are counted together: as the largest of
        // their matrices, and drawn as an image or as content.
        if (stream.dict.box) {
            work.box = work.box ? std::min(*work.box, *stream.dict.box) : *stream.dict.box;
        }
        // The library takes a stream's /Matrix wherever it draws it as a form,
        // a pattern or a soft mask's group, whatever its subtype says.
        if (stream.dict.matrix || stream.dict.subtype == "Form" || stream.dict.pattern) {
            const PdfTransform given = stream.dict.matrix.value_or(PdfTransform{});
            work.matrix = eitherOf(work.matrix.value_or(given), given);
        }
        content.setPartOfMany(stream.object >= 0 && partsOfMany.count(stream.object) > 0);
        for (const Bytes& bytes : *decoded) {
            used += qint64(bytes.size());
            work.work += qint64(bytes.size());
            if (used > limit || !content.read(bytes, work.drawings)) {
                return Verdict::tooLarge;
            }
            work.ending = content.ending();
            work.peak = std::max(work.peak, content.peak());
            ++work.readings;
            work.exact = work.exact && !content.popped() && work.readings == 1;
        }
    }
    // A glyph of a Type 3 font draws one of the font's procedures under the
    // font's matrix: each font is drawn as a form of that matrix that draws
    // its costliest procedure, by the names /Font resources give it.
    fontsByName(findings, drawn, content.inherited());
    // A graphics state with a soft mask draws the mask's group where it is
    // set: the group given in place, or by the mask's dictionary.
    if (!softMaskGroupsByName(findings)) {
        return Verdict::tooLarge;
    }
    // A name given to an object again and again, on every page, is one name.
    const std::set<std::pair<std::string, qint64>> names(findings.xobjects.begin(),
                                                         findings.xobjects.end());
    findings.xobjects = std::multimap<std::string, qint64>(names.begin(), names.end());
    // The page draws its content, and the content the XObjects it names,
    // again each time it names them: the work of all of it is bounded. Which
    // of the /Contents found is the first page's is not known here: each
    // counts as if it were.
    const qint64 budget = 4 * limits.contentBytes;
    WorkCount count{drawn, findings.xobjects, budget};
    for (const auto& group : findings.contentGroups) {
        qint64 page = 0;
        for (const qint64 object : group) {
            page = std::min(budget + 1, page + count.of(object, 0));
        }
        if (page > budget) {
            return Verdict::tooLarge;
        }
    }
    for (const auto& [object, work] : drawn) {
        if (work.drawsContent && count.of(object, 0) > budget) {
            return Verdict::tooLarge;
        }
    }
    // So is the area its images cover, scaled as the library scales them.
    // A page's content in parts is drawn as one, in order: each part goes on
    // from the transform the parts before it leave, exactly while none of
    // them restored a state it had not saved. From there on, a part may go
    // on from any state an earlier part left, and its drawings count by
    // their reach under the largest of those.
    AreaCount areas{drawn, findings.xobjects};
    for (const auto& group : findings.contentGroups) {
        PdfTransform carried;
        bool exact = true;
        double enlarged = 1;
        double covered = 0;
        for (const qint64 object : group) {
            const auto found = drawn.find(object);
            if (found == drawn.end()) {
                continue;
            }
            const Drawn& part = found->second;
            const PdfCover cover = areas.of(object, 0);
            exact = exact && part.exact;
            covered = PdfCover::capped(
                covered + (exact ? cover.under(carried).area(thinnestSide)
                                 : PdfCover::capped(cover.reach(thinnestSide) * enlarged)));
            carried = part.ending.then(carried);
            enlarged = PdfCover::capped(enlarged * std::max(1.0, part.peak));
        }
        if (AreaCount::exceeds(covered, budget)) {
            return Verdict::tooLarge;
        }
    }
    // Forms are measured by themselves as well, for what may draw them from
    // elsewhere; a page's content was measured above, within its page.
    for (const auto& [object, work] : drawn) {
        const bool pageContent = findings.contents.count(object) > 0 && !work.matrix;
        if (work.drawsContent && !pageContent &&
            AreaCount::exceeds(areas.of(object, 0).area(thinnestSide), budget)) {
            return Verdict::tooLarge;
        }
    }
    // A page draws its annotations too: each the costliest of its
    // appearances (one state shows), scaled from the form's box to the
    // annotation's, all of them together. Each by itself as well, for a page
    // that may name it.
    const auto shown = appearancesShown(findings, drawn);
    if (!shown) {
        return Verdict::tooLarge;
    }
    std::vector<std::pair<double, qint64>> annotationCost;
    for (const auto& appearances : *shown) {
        double area = 0;
        qint64 work = 0;
        for (const auto& [form, fit] : appearances) {
            area = std::max(area, areas.of(form, 0).under(fit).area(thinnestSide));
            work = std::max(work, count.of(form, 0));
        }
        if (AreaCount::exceeds(area, budget) || work > budget) {
            return Verdict::tooLarge;
        }
        annotationCost.emplace_back(area, work);
    }
    auto pages = findings.annotationGroups;
    for (const qint64 array :
         std::set<qint64>(findings.annotationArrays.begin(), findings.annotationArrays.end())) {
        if (const auto found = findings.arrays.find(array); found != findings.arrays.end()) {
            pages.push_back({found->second, {}});
        }
    }
    for (const auto& page : pages) {
        std::set<std::size_t> annotations(page.inPlace.begin(), page.inPlace.end());
        for (const qint64 object : page.objects) {
            if (const auto found = findings.annotationOf.find(object);
                found != findings.annotationOf.end()) {
                annotations.insert(found->second.begin(), found->second.end());
            }
        }
        double area = 0;
        qint64 work = 0;
        for (const std::size_t annotation : annotations) {
            area = PdfCover::capped(area + annotationCost[annotation].first);
            work = std::min(budget + 1, work + annotationCost[annotation].second);
        }
        if (AreaCount::exceeds(area, budget) || work > budget) {
            return Verdict::tooLarge;
        }
    }
    return Verdict::bounded;
}

} // namespace platform
