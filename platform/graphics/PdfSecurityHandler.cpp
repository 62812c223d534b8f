#include "platform/graphics/PdfSecurityHandler.h"

#include "platform/Aes.h"
#include "platform/Rc4.h"

#include <QCryptographicHash>

namespace platform {

namespace {

// The bytes every password is padded with to 32.
const QByteArray& passwordPad() {
    static const QByteArray pad = QByteArray::fromHex("28bf4e5e4e758a4164004e56fffa0108"
                                                      "2e2e00b6d0683e802f0ca9fe6453697a");
    return pad;
}

QByteArray md5(QByteArrayView data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray littleEndian(quint64 value, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i) {
        out += char((value >> (8 * i)) & 0xff);
    }
    return out;
}

// The key of revisions 2 to 4 for the empty user password, or nothing when
// that password is not the document's.
std::optional<QByteArray> keyOfRevision3(int revision, int keyLength, const QByteArray& ownerKey,
                                         const QByteArray& userKey, qint64 permissions,
                                         const QByteArray& id, bool encryptMetadata) {
    QByteArray material = passwordPad() + ownerKey + littleEndian(quint64(permissions), 4) + id;
    if (!encryptMetadata) {
        material += QByteArray(4, '\xff');
    }
    QByteArray key = md5(material);
    if (revision == 3) {
        for (int i = 0; i < 50; ++i) {
            key = md5(QByteArrayView(key).first(keyLength));
        }
    }
    key.truncate(keyLength);
    if (revision == 2) {
        return Rc4::apply(key, userKey) == passwordPad() ? std::optional(key) : std::nullopt;
    }
    QByteArray test = userKey;
    for (int i = 19; i >= 0; --i) {
        QByteArray step = key;
        for (char& c : step) {
            c = char(c ^ i);
        }
        test = Rc4::apply(step, test);
    }
    const QByteArray expected = md5(passwordPad() + id);
    return test.first(16) == expected.first(16) ? std::optional(key) : std::nullopt;
}

// The hash of revision 6 (revision 5 takes the first SHA-256 alone) of the
// empty password with the salt.
QByteArray hashOfRevision6(int revision, const QByteArray& salt) {
    QByteArray k = QCryptographicHash::hash(salt, QCryptographicHash::Sha256);
    if (revision == 5) {
        return k;
    }
    // Ends by round 288 at the latest: the last byte of E is below 256.
    QByteArray e;
    for (int round = 0; round < 64 || uchar(e.back()) > round - 32; ++round) {
        const QByteArray k1 = k.repeated(64);
        e = Aes(QByteArrayView(k).first(16)).encryptCbc(QByteArrayView(k).sliced(16, 16), k1);
        int sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum += uchar(e[i]);
        }
        static constexpr QCryptographicHash::Algorithm next[3] = {
            QCryptographicHash::Sha256, QCryptographicHash::Sha384, QCryptographicHash::Sha512};
        k = QCryptographicHash::hash(e, next[sum % 3]);
    }
    return k.first(32);
}

std::optional<QByteArray> keyOfRevision6(int revision, const QByteArray& userKey,
                                         const QByteArray& userEncrypted) {
    if (hashOfRevision6(revision, userKey.sliced(32, 8)) != userKey.first(32)) {
        return std::nullopt;
    }
    const QByteArray intermediate = hashOfRevision6(revision, userKey.sliced(40, 8));
    return Aes(intermediate).decryptCbc(QByteArray(16, '\0'), userEncrypted, false);
}

} // namespace

std::optional<PdfSecurityHandler> PdfSecurityHandler::open(const Entries& entries) {
    if (entries.filter != "Standard" || !entries.v || !entries.r || !entries.p) {
        return std::nullopt;
    }
    // The permissions are a 32-bit integer, signed or not.
    if (*entries.p < -(qint64(1) << 31) || *entries.p >= (qint64(1) << 32)) {
        return std::nullopt;
    }
    qint64 version = *entries.v;
    qint64 revision = *entries.r;
    const bool newRevision = revision == 5 || revision == 6;
    if (newRevision ? entries.o.size() < 48 || entries.u.size() < 48 || !entries.oe ||
                          entries.oe->size() != 32 || !entries.ue || entries.ue->size() != 32
                    : revision > 4 || entries.o.isEmpty() || entries.u.isEmpty()) {
        return std::nullopt;
    }
    // The choices the PDF library makes: revision 2 has 40-bit keys whatever
    // the length says, and the crypt filters' lengths count bytes.
    Cipher cipher = Cipher::rc4;
    qint64 keyLength = (revision == 2 || !entries.length) ? 5 : *entries.length / 8;
    bool encryptMetadata = true;
    if ((version == 4 || version == 5) && (revision == 4 || newRevision)) {
        if (entries.hasCryptFilters && !entries.streamFilter.isEmpty() &&
            entries.streamFilter == entries.stringFilter) {
            if (entries.streamFilter == "Identity") {
                return PdfSecurityHandler(Cipher::none, {});
            }
            const auto found = entries.cryptFilters.find(entries.streamFilter);
            if (found != entries.cryptFilters.end()) {
                const QByteArray& method = found->second.method;
                if (method == "V2" || method == "AESV2") {
                    version = 2;
                    revision = 3;
                    cipher = method == "V2" ? Cipher::rc4 : Cipher::aes128;
                } else if (method == "AESV3") {
                    version = 5;
                    cipher = Cipher::aes256;
                }
                if ((method == "V2" || method == "AESV2" || method == "AESV3") &&
                    found->second.length) {
                    keyLength = *found->second.length;
                }
            }
        }
        encryptMetadata = entries.encryptMetadata.value_or(true);
    }
    QByteArray ownerKey = entries.o.first(std::min<qsizetype>(32, entries.o.size()));
    QByteArray userKey = entries.u.first(std::min<qsizetype>(32, entries.u.size()));
    if ((version == 1 || version == 2) && (revision == 2 || revision == 3)) {
        if (keyLength > 16 || keyLength < 0) {
            keyLength = 16;
        }
        // Keys shorter than 40 bits are no key the library reads well.
        if (keyLength < 5 || (cipher == Cipher::aes128 && keyLength != 16)) {
            return std::nullopt;
        }
        ownerKey.append(32 - ownerKey.size(), '\0');
        userKey.append(32 - userKey.size(), '\0');
        const auto key = keyOfRevision3(int(revision), int(keyLength), ownerKey, userKey,
                                        *entries.p, entries.id, encryptMetadata);
        return key ? std::optional(PdfSecurityHandler(cipher, *key)) : std::nullopt;
    }
    if (version == 5 && newRevision && cipher == Cipher::aes256) {
        if (keyLength > 32 || keyLength < 0) {
            keyLength = 32;
        }
        if (keyLength != 32) {
            return std::nullopt;
        }
        const auto key = keyOfRevision6(int(revision), entries.u, *entries.ue);
        return key ? std::optional(PdfSecurityHandler(cipher, *key)) : std::nullopt;
    }
    return std::nullopt;
}

QByteArray PdfSecurityHandler::decrypt(QByteArrayView data, qint64 object,
                                       qint64 generation) const {
    switch (m_cipher) {
    case Cipher::none:
        return data.toByteArray();
    case Cipher::rc4:
    case Cipher::aes128: {
        QByteArray material =
            m_key + littleEndian(quint64(object), 3) + littleEndian(quint64(generation), 2);
        if (m_cipher == Cipher::aes128) {
            material += "sAlT";
        }
        const QByteArray key = md5(material).first(std::min<qsizetype>(m_key.size() + 5, 16));
        if (m_cipher == Cipher::rc4) {
            return Rc4::apply(key, data);
        }
        if (data.size() < Aes::blockSize) {
            return {};
        }
        return Aes(key).decryptCbc(data.first(Aes::blockSize), data.sliced(Aes::blockSize), true);
    }
    case Cipher::aes256:
        if (data.size() < Aes::blockSize) {
            return {};
        }
        return Aes(m_key).decryptCbc(data.first(Aes::blockSize), data.sliced(Aes::blockSize), true);
    }
    return {};
}

} // namespace platform
