#include "platform/import/BiffCrypt.h"
#include "platform/import/BiffRecords.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

namespace importsrc::biff {
namespace {

// Records written unencrypted behind a FILEPASS record: the parts' beginnings, the FILEPASS
// record, the user and file locks of a shared book, the interface header, and the revision
// records.
constexpr std::uint16_t kNeverEncrypted[] = {kBof, kFilePass, 0x0194, 0x0195, 0x00E1, 0x0196, 0x0138};

// The encryption rekeys at every block of this many bytes of the stream.
constexpr size_t kBlock = 1024;

// The password a book is encrypted under when its user set none.
constexpr char16_t kDefaultPassword[] = u"VelvetSweatshop";

QByteArray Bytes(const unsigned char* p, size_t n) {
    return QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n));
}
QByteArray Le32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    return QByteArray(b, 4);
}
// The password as the keys take it: its UTF-16 code units, little-endian.
QByteArray PasswordBytes() {
    QByteArray out;
    for (const char16_t* c = kDefaultPassword; *c; ++c) {
        out.append(static_cast<char>(*c & 0xFF));
        out.append(static_cast<char>(*c >> 8));
    }
    return out;
}

// RC4: a key schedule, then a keystream XORed into the data.
class Rc4 {
public:
    explicit Rc4(const QByteArray& key) {
        for (int k = 0; k < 256; ++k)
            m_s[k] = static_cast<std::uint8_t>(k);
        std::uint8_t j = 0;
        for (int k = 0; k < 256; ++k) {
            j = static_cast<std::uint8_t>(j + m_s[k] + static_cast<std::uint8_t>(key[k % key.size()]));
            std::swap(m_s[k], m_s[j]);
        }
    }
    void Apply(unsigned char* data, size_t n) {
        for (size_t k = 0; k < n; ++k) {
            m_i = static_cast<std::uint8_t>(m_i + 1);
            m_j = static_cast<std::uint8_t>(m_j + m_s[m_i]);
            std::swap(m_s[m_i], m_s[m_j]);
            data[k] ^= m_s[static_cast<std::uint8_t>(m_s[m_i] + m_s[m_j])];
        }
    }

private:
    std::array<std::uint8_t, 256> m_s{};
    std::uint8_t m_i = 0, m_j = 0;
};

// The key of each block, from the password and the salt the FILEPASS record holds.
class Keys {
public:
    virtual ~Keys() = default;
    virtual QByteArray Key(std::uint32_t block) const = 0;
    // Whether the password opens the book: the verifier the record holds, decrypted with the key
    // of block 0, hashes to the verifier hash decrypted behind it.
    bool Verify(const unsigned char* verifier, const unsigned char* hash, size_t hashSize,
                QCryptographicHash::Algorithm algorithm) const {
        QByteArray both = Bytes(verifier, 16) + Bytes(hash, hashSize);
        Rc4(Key(0)).Apply(reinterpret_cast<unsigned char*>(both.data()), static_cast<size_t>(both.size()));
        const QByteArray digest = QCryptographicHash::hash(both.left(16), algorithm);
        return digest.size() == static_cast<qsizetype>(hashSize) && digest == both.mid(16);
    }
};

// RC4 encryption: MD5 of the password, its first 5 bytes and the salt repeated 16 times hashed
// again, and for each block the first 5 bytes of that with the block's number hashed.
class Rc4Keys : public Keys {
public:
    explicit Rc4Keys(const unsigned char* salt) {
        const QByteArray h0 = QCryptographicHash::hash(PasswordBytes(), QCryptographicHash::Md5).left(5);
        QByteArray buffer;
        for (int k = 0; k < 16; ++k)
            buffer += h0 + Bytes(salt, 16);
        m_h1 = QCryptographicHash::hash(buffer, QCryptographicHash::Md5).left(5);
    }
    QByteArray Key(std::uint32_t block) const override {
        return QCryptographicHash::hash(m_h1 + Le32(block), QCryptographicHash::Md5);
    }

private:
    QByteArray m_h1;
};

// RC4 through CryptoAPI: SHA-1 of the salt and the password, and for each block that with the
// block's number hashed, cut to the key's length; a 40-bit key is padded with zeros to 128 bits.
class CryptoApiKeys : public Keys {
public:
    CryptoApiKeys(const unsigned char* salt, size_t keyBytes) : m_keyBytes(keyBytes) {
        m_h0 = QCryptographicHash::hash(Bytes(salt, 16) + PasswordBytes(), QCryptographicHash::Sha1);
    }
    QByteArray Key(std::uint32_t block) const override {
        QByteArray key = QCryptographicHash::hash(m_h0 + Le32(block), QCryptographicHash::Sha1)
                             .left(static_cast<qsizetype>(m_keyBytes));
        if (m_keyBytes == 5)
            key.append(11, '\0');
        return key;
    }

private:
    QByteArray m_h0;
    size_t m_keyBytes;
};

// The 16-bit password verifier of XOR obfuscation: the password's bytes (the low byte of each
// character, or its high byte where the low one is 0) behind its length, taken from the last,
// each shifted in with a 15-bit rotation.
std::uint16_t XorVerifier() {
    std::vector<std::uint8_t> bytes;
    for (const char16_t* c = kDefaultPassword; *c; ++c)
        bytes.push_back(static_cast<std::uint8_t>((*c & 0xFF) ? (*c & 0xFF) : (*c >> 8)));
    bytes.insert(bytes.begin(), static_cast<std::uint8_t>(bytes.size()));
    std::uint16_t verifier = 0;
    for (auto b = bytes.rbegin(); b != bytes.rend(); ++b) {
        const std::uint16_t rotated =
            static_cast<std::uint16_t>(((verifier & 0x4000) ? 1 : 0) | ((verifier << 1) & 0x7FFF));
        verifier = static_cast<std::uint16_t>(rotated ^ *b);
    }
    return static_cast<std::uint16_t>(verifier ^ 0xCE4B);
}

// The keys of a FILEPASS record's body, when the default password opens the book; nullptr with
// the reason otherwise.
std::unique_ptr<Keys> KeysOf(const unsigned char* p, size_t n, Encryption* why) {
    *why = Encryption::Damaged;
    if (n < 2)
        return nullptr;
    const std::uint16_t type = U16(p);
    if (type == 0) { // XOR obfuscation: a key and the password's verifier
        if (n < 6)
            return nullptr;
        *why = U16(p + 4) == XorVerifier() ? Encryption::Unsupported : Encryption::Password;
        return nullptr;
    }
    if (type != 1 || n < 6)
        return nullptr;
    const std::uint16_t major = U16(p + 2), minor = U16(p + 4);
    if (major == 1 && minor == 1) { // RC4: the salt, the verifier and its MD5 hash
        if (n < 6 + 48)
            return nullptr;
        auto keys = std::make_unique<Rc4Keys>(p + 6);
        *why = Encryption::Password;
        return keys->Verify(p + 22, p + 38, 16, QCryptographicHash::Md5) ? std::move(keys) : nullptr;
    }
    if (major < 2 || major > 4 || minor != 2) {
        *why = Encryption::Unsupported;
        return nullptr;
    }
    // RC4 through CryptoAPI: flags, the header's size, the header (flags, a reserved size, the
    // cipher, the hash, the key's bits, the provider…), then the verifier: the salt's size, the
    // salt, the verifier, the hash's size and the hash.
    if (n < 14)
        return nullptr;
    const size_t headerSize = U32(p + 10);
    if (headerSize < 20 || headerSize > n - 14)
        return nullptr;
    const unsigned char* header = p + 14;
    const std::uint32_t cipher = U32(header + 8), hash = U32(header + 12);
    std::uint32_t bits = U32(header + 16);
    if (bits == 0)
        bits = 40;
    const unsigned char* v = header + headerSize;
    const size_t left = n - 14 - headerSize;
    if (left < 4 + 16 + 16 + 4 + 20)
        return nullptr;
    if (U32(v) != 16 || U32(v + 36) != 20)
        return nullptr;
    *why = Encryption::Unsupported;
    if ((cipher != 0x6801 && cipher != 0) || (hash != 0x8004 && hash != 0) || bits < 40 || bits > 128 ||
        bits % 8 != 0)
        return nullptr;
    auto keys = std::make_unique<CryptoApiKeys>(v + 4, bits / 8);
    *why = Encryption::Password;
    return keys->Verify(v + 20, v + 40, 20, QCryptographicHash::Sha1) ? std::move(keys) : nullptr;
}

// XORs the keystream into `out` from stream offset `from` to `to`: each byte with the byte of
// its offset within its block's keystream.
class Stream {
public:
    explicit Stream(const Keys& keys) : m_keys(keys) {}
    void Apply(unsigned char* out, size_t from, size_t to) {
        for (size_t at = from; at < to;) {
            const size_t block = at / kBlock;
            if (block != m_block) {
                m_stream.fill(0);
                Rc4(m_keys.Key(static_cast<std::uint32_t>(block))).Apply(m_stream.data(), kBlock);
                m_block = block;
            }
            const size_t end = std::min(to, (block + 1) * kBlock);
            for (; at < end; ++at)
                out[at] ^= m_stream[at % kBlock];
        }
    }

private:
    const Keys& m_keys;
    size_t m_block = SIZE_MAX;
    std::array<unsigned char, kBlock> m_stream{};
};

} // namespace

Encryption DecryptWorkbook(const unsigned char* data, size_t size, std::vector<unsigned char>& plain) {
    // The global records, from the first (a BOF) to their end, or the first FILEPASS among them;
    // what breaks the format here is the reader's to refuse.
    if (size < 4 || U16(data) != kBof)
        return Encryption::None;
    size_t at = 0;
    for (;;) {
        if (size - at < 4)
            return Encryption::None;
        const std::uint16_t type = U16(data + at), length = U16(data + at + 2);
        if (size - at - 4 < length)
            return Encryption::None;
        if (type == kFilePass)
            break;
        if (type == kEof || (at > 0 && type == kBof))
            return Encryption::None;
        at += 4 + static_cast<size_t>(length);
    }
    Encryption why = Encryption::Damaged;
    const std::unique_ptr<Keys> keys = KeysOf(data + at + 4, U16(data + at + 2), &why);
    if (!keys)
        return why;

    // Every record's body behind it, its header left as it is, up to a record cut short.
    plain.assign(data, data + size);
    Stream stream(*keys);
    at += 4 + static_cast<size_t>(U16(data + at + 2));
    while (size - at >= 4) {
        const std::uint16_t type = U16(data + at), length = U16(data + at + 2);
        const size_t body = at + 4;
        if (size - body < length)
            break;
        if (std::find(std::begin(kNeverEncrypted), std::end(kNeverEncrypted), type) ==
            std::end(kNeverEncrypted)) {
            // A sheet's entry keeps its sheet's stream offset (its first 4 bytes) unencrypted.
            const size_t skip = type == kBoundSheet ? std::min<size_t>(4, length) : 0;
            stream.Apply(plain.data(), body + skip, body + length);
        }
        at = body + length;
    }
    return Encryption::Decrypted;
}

} // namespace importsrc::biff
