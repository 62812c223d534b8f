#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <map>
#include <optional>

namespace platform {

// PDF's standard security handler, opened with the empty user password: the
// document is locked against changes only, and anyone may read it. Derives
// the file's key from its encryption dictionary (revisions 2 to 4 with RC4 or
// AES-128, revisions 5 and 6 with AES-256) and decrypts streams with the key
// of each object, as the PDF library that draws the document does. Documents
// that need another password, or whose entries that library would read
// otherwise, do not open.
class PdfSecurityHandler {
public:
    enum class Cipher { none, rc4, aes128, aes256 };

    // The encryption dictionary's entries (strings as bytes, names without
    // the slash), and the first string of the document's /ID.
    struct Entries {
        struct CryptFilter {
            QByteArray method; // CFM
            std::optional<qint64> length;
        };
        QByteArray filter;
        std::optional<qint64> v;
        std::optional<qint64> r;
        std::optional<qint64> length;
        std::optional<qint64> p;
        QByteArray o;
        QByteArray u;
        std::optional<QByteArray> oe;
        std::optional<QByteArray> ue;
        std::optional<bool> encryptMetadata;
        bool hasCryptFilters = false; // CF is a dictionary
        std::map<QByteArray, CryptFilter> cryptFilters;
        QByteArray streamFilter; // StmF
        QByteArray stringFilter; // StrF
        QByteArray id;
    };

    // Nothing when the empty user password does not open the document or
    // its entries are not understood.
    static std::optional<PdfSecurityHandler> open(const Entries& entries);

    Cipher cipher() const { return m_cipher; }
    const QByteArray& fileKey() const { return m_key; }

    // A stream's bytes as object `object` of generation `generation` holds
    // them, decrypted.
    QByteArray decrypt(QByteArrayView data, qint64 object, qint64 generation) const;

    bool operator==(const PdfSecurityHandler&) const = default;

private:
    PdfSecurityHandler(Cipher cipher, QByteArray key) : m_cipher(cipher), m_key(std::move(key)) {}

    Cipher m_cipher = Cipher::none;
    QByteArray m_key;
};

} // namespace platform
