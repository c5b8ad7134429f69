#include "data/Rijndael.h"

#include "platform/db/FileGuard.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace {

const char* const kNotInitialized = "FileCrypt ERROR: Encryption/Decryption Object not Initialized!";
const char* const kIllegalMode = "FileCrypt ERROR: Illegal Operation Mode!";
const char* const kIllegalPadding = "FileCrypt ERROR: Illegal Padding Mode!";
const char* const kIllegalBlockSize = "Illegal Block Size!";
const char* const kBadStream = "CDoubleBuffering: Referenced File not Opened or in Bad State!";

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

// ---- Rijndael tables, computed at compile time from the field GF(2^8) mod x^8+x^4+x^3+x+1 ----

constexpr std::uint8_t XTime(std::uint8_t b) {
    return static_cast<std::uint8_t>((b << 1) ^ ((b & 0x80) ? 0x1B : 0x00));
}

constexpr std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    while (b) {
        if (b & 1)
            product ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return product;
}

// a^254 is the multiplicative inverse; 0 maps to 0.
constexpr std::uint8_t GfInverse(std::uint8_t a) {
    std::uint8_t result = 1;
    std::uint8_t base = a;
    for (int e = 254; e; e >>= 1) {
        if (e & 1)
            result = GfMul(result, base);
        base = GfMul(base, base);
    }
    return a ? result : 0;
}

constexpr std::uint8_t Rotl8(std::uint8_t b, int n) {
    return static_cast<std::uint8_t>((b << n) | (b >> (8 - n)));
}

constexpr std::uint32_t Rotr32(std::uint32_t w, int n) {
    return (w >> n) | (w << (32 - n));
}

constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return (std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) | b3;
}

struct RijndaelTables {
    std::array<std::uint8_t, 256> s{};
    std::array<std::uint8_t, 256> si{};
    // Round tables: SubBytes (or its inverse) followed by one column of (Inv)MixColumns, for an
    // input byte in row 0..3.
    std::array<std::array<std::uint32_t, 256>, 4> te{};
    std::array<std::array<std::uint32_t, 256>, 4> td{};
    std::array<std::uint8_t, 30> rcon{}; // rcon[i] = x^(i-1); enough for 8-word blocks with 4-word keys
};

constexpr RijndaelTables MakeTables() {
    RijndaelTables t;
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t b = GfInverse(static_cast<std::uint8_t>(x));
        const auto s =
            static_cast<std::uint8_t>(b ^ Rotl8(b, 1) ^ Rotl8(b, 2) ^ Rotl8(b, 3) ^ Rotl8(b, 4) ^ 0x63);
        t.s[x] = s;
        t.si[s] = static_cast<std::uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = t.s[x];
        const std::uint8_t si = t.si[x];
        t.te[0][x] = Word(GfMul(s, 2), s, s, GfMul(s, 3));
        t.td[0][x] = Word(GfMul(si, 0x0E), GfMul(si, 0x09), GfMul(si, 0x0D), GfMul(si, 0x0B));
        for (int r = 1; r < 4; ++r) {
            t.te[r][x] = Rotr32(t.te[0][x], 8 * r);
            t.td[r][x] = Rotr32(t.td[0][x], 8 * r);
        }
    }
    t.rcon[1] = 1;
    for (std::size_t i = 2; i < t.rcon.size(); ++i)
        t.rcon[i] = XTime(t.rcon[i - 1]);
    return t;
}

constexpr RijndaelTables kTables = MakeTables();
constexpr const auto& S = kTables.s;
constexpr const auto& Si = kTables.si;
constexpr const auto& Te0 = kTables.te[0];
constexpr const auto& Te1 = kTables.te[1];
constexpr const auto& Te2 = kTables.te[2];
constexpr const auto& Te3 = kTables.te[3];
constexpr const auto& Td0 = kTables.td[0];
constexpr const auto& Td1 = kTables.td[1];
constexpr const auto& Td2 = kTables.td[2];
constexpr const auto& Td3 = kTables.td[3];

static_assert(S[0x00] == 0x63 && S[0x53] == 0xED && S[0xFF] == 0x16);
static_assert(Si[0x63] == 0x00 && Si[0x00] == 0x52);
static_assert(kTables.rcon[10] == 0x36);

constexpr std::uint8_t B0(std::uint32_t w) {
    return static_cast<std::uint8_t>(w >> 24);
}
constexpr std::uint8_t B1(std::uint32_t w) {
    return static_cast<std::uint8_t>(w >> 16);
}
constexpr std::uint8_t B2(std::uint32_t w) {
    return static_cast<std::uint8_t>(w >> 8);
}
constexpr std::uint8_t B3(std::uint32_t w) {
    return static_cast<std::uint8_t>(w);
}

std::uint32_t SubWord(std::uint32_t w) {
    return Word(S[B0(w)], S[B1(w)], S[B2(w)], S[B3(w)]);
}

std::uint32_t InvMixColumn(std::uint32_t w) {
    return Td0[S[B0(w)]] ^ Td1[S[B1(w)]] ^ Td2[S[B2(w)]] ^ Td3[S[B3(w)]];
}

// ShiftRows offsets of rows 1..3 for Nb columns.
struct Shifts {
    int s1, s2, s3;
};
Shifts ShiftsFor(int nb) {
    return nb == 8 ? Shifts{1, 3, 4} : Shifts{1, 2, 3};
}

// ---- SHA-256 constants: the leading fraction bits of square and cube roots of the first primes ----

constexpr std::array<std::uint32_t, 64> FirstPrimes() {
    std::array<std::uint32_t, 64> primes{};
    std::size_t count = 0;
    for (std::uint32_t n = 2; count < primes.size(); ++n) {
        bool prime = true;
        for (std::uint32_t d = 2; d * d <= n; ++d)
            if (n % d == 0) {
                prime = false;
                break;
            }
        if (prime)
            primes[count++] = n;
    }
    return primes;
}

// The low 32 bits of floor(p^(1/degree) * 2^32), i.e. the first 32 bits of the root's fraction.
constexpr std::uint32_t RootFraction(std::uint32_t p, int degree) {
    using U128 = unsigned __int128;
    const U128 target = U128{p} << (32 * degree);
    std::uint64_t lo = 0;
    std::uint64_t hi = std::uint64_t{1} << 40;
    while (lo < hi) {
        const std::uint64_t mid = lo + (hi - lo + 1) / 2;
        U128 power = 1;
        for (int i = 0; i < degree; ++i)
            power *= mid;
        if (power <= target)
            lo = mid;
        else
            hi = mid - 1;
    }
    return static_cast<std::uint32_t>(lo);
}

struct ShaConstants {
    std::array<std::uint32_t, 8> h0{};
    std::array<std::uint32_t, 64> k{};
};

constexpr ShaConstants MakeShaConstants() {
    ShaConstants c;
    const auto primes = FirstPrimes();
    for (std::size_t i = 0; i < c.h0.size(); ++i)
        c.h0[i] = RootFraction(primes[i], 2);
    for (std::size_t i = 0; i < c.k.size(); ++i)
        c.k[i] = RootFraction(primes[i], 3);
    return c;
}

constexpr ShaConstants kSha = MakeShaConstants();
static_assert(kSha.h0[0] == 0x6A09E667 && kSha.h0[7] == 0x5BE0CD19);
static_assert(kSha.k[0] == 0x428A2F98 && kSha.k[63] == 0xC67178F2);

} // namespace

std::uint32_t BytesToWord(const unsigned char* bytes) {
    return Word(bytes[0], bytes[1], bytes[2], bytes[3]);
}

void WordToBytes(std::uint32_t word, unsigned char* bytes) {
    bytes[0] = B0(word);
    bytes[1] = B1(word);
    bytes[2] = B2(word);
    bytes[3] = B3(word);
}

// ===================================== CBlockCipher =====================================

void CBlockCipher::CheckInitialized() const {
    if (!m_bInit)
        Fail(kNotInitialized);
}

void CBlockCipher::XorBlock(unsigned char* buffer, const unsigned char* other) const {
    CheckInitialized();
    for (int i = 0; i < m_blockSize; ++i)
        buffer[i] ^= other[i];
}

void CBlockCipher::SetMode(int mode) {
    CheckInitialized();
    if (mode < ECB || mode > CFB)
        Fail(kIllegalMode);
    m_mode = mode;
}

void CBlockCipher::SetPadding(int padding) {
    CheckInitialized();
    if (padding < ZEROES || padding > PKCS7)
        Fail(kIllegalPadding);
    m_padding = padding;
}

int CBlockCipher::GetKeyLength() const {
    CheckInitialized();
    return m_keyLength;
}

int CBlockCipher::GetBlockSize() const {
    CheckInitialized();
    return m_blockSize;
}

int CBlockCipher::GetMode() const {
    CheckInitialized();
    return m_mode;
}

int CBlockCipher::GetPadding() const {
    CheckInitialized();
    return m_padding;
}

int CBlockCipher::PadData(unsigned char* buffer, int length) const {
    CheckInitialized();
    const int rest = length % m_blockSize;
    if (rest == 0)
        return length;
    const int pad = m_blockSize - rest;
    const unsigned char fill = m_padding == ZEROES   ? 0x00
                               : m_padding == BLANKS ? 0x20
                                                     : static_cast<unsigned char>(pad);
    std::memset(buffer + length, fill, static_cast<std::size_t>(pad));
    return length + pad;
}

// ======================================= CRijndael =======================================

void CRijndael::SetKey(const unsigned char* keyData, int keyDataLength, const unsigned char* chain,
                       int keyLength, int blockSize, int mode, int padding) {
    const auto validSize = [](int n) { return n == 16 || n == 24 || n == 32; };
    if (keyData == nullptr)
        Fail("FileCrypt ERROR: No Key DataSpecified!");
    if (keyDataLength < 1)
        Fail("FileCrypt ERROR: Key Data Length should be > 0!");
    if (!validSize(keyLength))
        Fail("Illegal Key Length!");
    if (!validSize(blockSize))
        Fail(kIllegalBlockSize);
    if (mode < ECB || mode > CFB)
        Fail(kIllegalMode);
    if (padding < ZEROES || padding > PKCS7)
        Fail(kIllegalPadding);

    m_mode = mode;
    m_padding = padding;
    m_blockSize = blockSize;
    m_keyLength = keyLength;
    std::memset(m_key, 0, sizeof m_key);
    for (int i = 0; i < keyLength; ++i)
        m_key[i] = keyData[i % keyDataLength];
    std::memset(m_chain0, 0, sizeof m_chain0);
    if (chain != nullptr)
        std::memcpy(m_chain0, chain, static_cast<std::size_t>(blockSize));
    std::memcpy(m_chain, m_chain0, sizeof m_chain);

    const int nk = keyLength / 4;
    const int nb = blockSize / 4;
    m_rounds = std::max(nk, nb) + 6;
    std::memset(m_encKeys, 0, sizeof m_encKeys);
    std::memset(m_decKeys, 0, sizeof m_decKeys);

    std::uint32_t w[(MAX_ROUNDS + 1) * (MAX_BLOCK_SIZE / 4)];
    const int total = nb * (m_rounds + 1);
    for (int i = 0; i < nk; ++i)
        w[i] = BytesToWord(m_key + 4 * i);
    for (int i = nk; i < total; ++i) {
        std::uint32_t temp = w[i - 1];
        if (i % nk == 0)
            temp = SubWord(Rotr32(temp, 24)) ^ (std::uint32_t{kTables.rcon[i / nk]} << 24);
        else if (nk > 6 && i % nk == 4)
            temp = SubWord(temp);
        w[i] = w[i - nk] ^ temp;
    }
    for (int r = 0; r <= m_rounds; ++r)
        for (int j = 0; j < nb; ++j)
            m_encKeys[r][j] = w[r * nb + j];

    // Equivalent inverse cipher: round keys in reverse, InvMixColumns on the inner ones.
    for (int j = 0; j < nb; ++j) {
        m_decKeys[0][j] = m_encKeys[m_rounds][j];
        m_decKeys[m_rounds][j] = m_encKeys[0][j];
    }
    for (int r = 1; r < m_rounds; ++r)
        for (int j = 0; j < nb; ++j)
            m_decKeys[r][j] = InvMixColumn(m_encKeys[m_rounds - r][j]);

    m_bInit = true;
}

void CRijndael::ResetChain() {
    CheckInitialized();
    std::memcpy(m_chain, m_chain0, static_cast<std::size_t>(m_blockSize));
}

void CRijndael::EncryptBlock(const unsigned char* in, unsigned char* out) const {
    CheckInitialized();
    if (m_blockSize == 16)
        EncryptBlock4(in, out);
    else
        EncryptBlockN(in, out);
}

void CRijndael::DecryptBlock(const unsigned char* in, unsigned char* out) const {
    CheckInitialized();
    if (m_blockSize == 16)
        DecryptBlock4(in, out);
    else
        DecryptBlockN(in, out);
}

void CRijndael::EncryptBlock4(const unsigned char* in, unsigned char* out) const {
    const std::uint32_t* k = m_encKeys[0];
    std::uint32_t a0 = BytesToWord(in) ^ k[0];
    std::uint32_t a1 = BytesToWord(in + 4) ^ k[1];
    std::uint32_t a2 = BytesToWord(in + 8) ^ k[2];
    std::uint32_t a3 = BytesToWord(in + 12) ^ k[3];
    for (int r = 1; r < m_rounds; ++r) {
        k = m_encKeys[r];
        const std::uint32_t t0 = Te0[B0(a0)] ^ Te1[B1(a1)] ^ Te2[B2(a2)] ^ Te3[B3(a3)] ^ k[0];
        const std::uint32_t t1 = Te0[B0(a1)] ^ Te1[B1(a2)] ^ Te2[B2(a3)] ^ Te3[B3(a0)] ^ k[1];
        const std::uint32_t t2 = Te0[B0(a2)] ^ Te1[B1(a3)] ^ Te2[B2(a0)] ^ Te3[B3(a1)] ^ k[2];
        const std::uint32_t t3 = Te0[B0(a3)] ^ Te1[B1(a0)] ^ Te2[B2(a1)] ^ Te3[B3(a2)] ^ k[3];
        a0 = t0;
        a1 = t1;
        a2 = t2;
        a3 = t3;
    }
    k = m_encKeys[m_rounds];
    WordToBytes(Word(S[B0(a0)], S[B1(a1)], S[B2(a2)], S[B3(a3)]) ^ k[0], out);
    WordToBytes(Word(S[B0(a1)], S[B1(a2)], S[B2(a3)], S[B3(a0)]) ^ k[1], out + 4);
    WordToBytes(Word(S[B0(a2)], S[B1(a3)], S[B2(a0)], S[B3(a1)]) ^ k[2], out + 8);
    WordToBytes(Word(S[B0(a3)], S[B1(a0)], S[B2(a1)], S[B3(a2)]) ^ k[3], out + 12);
}

void CRijndael::DecryptBlock4(const unsigned char* in, unsigned char* out) const {
    const std::uint32_t* k = m_decKeys[0];
    std::uint32_t a0 = BytesToWord(in) ^ k[0];
    std::uint32_t a1 = BytesToWord(in + 4) ^ k[1];
    std::uint32_t a2 = BytesToWord(in + 8) ^ k[2];
    std::uint32_t a3 = BytesToWord(in + 12) ^ k[3];
    for (int r = 1; r < m_rounds; ++r) {
        k = m_decKeys[r];
        const std::uint32_t t0 = Td0[B0(a0)] ^ Td1[B1(a3)] ^ Td2[B2(a2)] ^ Td3[B3(a1)] ^ k[0];
        const std::uint32_t t1 = Td0[B0(a1)] ^ Td1[B1(a0)] ^ Td2[B2(a3)] ^ Td3[B3(a2)] ^ k[1];
        const std::uint32_t t2 = Td0[B0(a2)] ^ Td1[B1(a1)] ^ Td2[B2(a0)] ^ Td3[B3(a3)] ^ k[2];
        const std::uint32_t t3 = Td0[B0(a3)] ^ Td1[B1(a2)] ^ Td2[B2(a1)] ^ Td3[B3(a0)] ^ k[3];
        a0 = t0;
        a1 = t1;
        a2 = t2;
        a3 = t3;
    }
    k = m_decKeys[m_rounds];
    WordToBytes(Word(Si[B0(a0)], Si[B1(a3)], Si[B2(a2)], Si[B3(a1)]) ^ k[0], out);
    WordToBytes(Word(Si[B0(a1)], Si[B1(a0)], Si[B2(a3)], Si[B3(a2)]) ^ k[1], out + 4);
    WordToBytes(Word(Si[B0(a2)], Si[B1(a1)], Si[B2(a0)], Si[B3(a3)]) ^ k[2], out + 8);
    WordToBytes(Word(Si[B0(a3)], Si[B1(a2)], Si[B2(a1)], Si[B3(a0)]) ^ k[3], out + 12);
}

void CRijndael::EncryptBlockN(const unsigned char* in, unsigned char* out) const {
    const int nb = m_blockSize / 4;
    const Shifts sh = ShiftsFor(nb);
    std::uint32_t a[MAX_BLOCK_SIZE / 4];
    std::uint32_t t[MAX_BLOCK_SIZE / 4];
    for (int j = 0; j < nb; ++j)
        a[j] = BytesToWord(in + 4 * j) ^ m_encKeys[0][j];
    for (int r = 1; r < m_rounds; ++r) {
        const std::uint32_t* k = m_encKeys[r];
        for (int j = 0; j < nb; ++j)
            t[j] = Te0[B0(a[j])] ^ Te1[B1(a[(j + sh.s1) % nb])] ^ Te2[B2(a[(j + sh.s2) % nb])] ^
                   Te3[B3(a[(j + sh.s3) % nb])] ^ k[j];
        std::copy_n(t, nb, a);
    }
    const std::uint32_t* k = m_encKeys[m_rounds];
    for (int j = 0; j < nb; ++j)
        WordToBytes(Word(S[B0(a[j])], S[B1(a[(j + sh.s1) % nb])], S[B2(a[(j + sh.s2) % nb])],
                         S[B3(a[(j + sh.s3) % nb])]) ^
                        k[j],
                    out + 4 * j);
}

void CRijndael::DecryptBlockN(const unsigned char* in, unsigned char* out) const {
    const int nb = m_blockSize / 4;
    const Shifts sh = ShiftsFor(nb);
    // Inverse ShiftRows moves row i right by its offset: column j takes column j - offset.
    const int u1 = nb - sh.s1;
    const int u2 = nb - sh.s2;
    const int u3 = nb - sh.s3;
    std::uint32_t a[MAX_BLOCK_SIZE / 4];
    std::uint32_t t[MAX_BLOCK_SIZE / 4];
    for (int j = 0; j < nb; ++j)
        a[j] = BytesToWord(in + 4 * j) ^ m_decKeys[0][j];
    for (int r = 1; r < m_rounds; ++r) {
        const std::uint32_t* k = m_decKeys[r];
        for (int j = 0; j < nb; ++j)
            t[j] = Td0[B0(a[j])] ^ Td1[B1(a[(j + u1) % nb])] ^ Td2[B2(a[(j + u2) % nb])] ^
                   Td3[B3(a[(j + u3) % nb])] ^ k[j];
        std::copy_n(t, nb, a);
    }
    const std::uint32_t* k = m_decKeys[m_rounds];
    for (int j = 0; j < nb; ++j)
        WordToBytes(
            Word(Si[B0(a[j])], Si[B1(a[(j + u1) % nb])], Si[B2(a[(j + u2) % nb])], Si[B3(a[(j + u3) % nb])]) ^
                k[j],
            out + 4 * j);
}

void CRijndael::CheckLength(int length) const {
    CheckInitialized();
    if (length <= 0 || length % m_blockSize != 0)
        Fail(kIllegalBlockSize);
}

// Each block is read whole before its output is written, so in == out works in every mode.
void CRijndael::Encrypt(const unsigned char* in, unsigned char* out, int length) {
    CheckLength(length);
    const auto bs = static_cast<std::size_t>(m_blockSize);
    unsigned char feed[MAX_BLOCK_SIZE];
    for (int i = 0; i < length; i += m_blockSize, in += bs, out += bs) {
        switch (m_mode) {
        case CBC:
            XorBlock(m_chain, in);
            EncryptBlock(m_chain, out);
            std::memcpy(m_chain, out, bs);
            break;
        case CFB:
            EncryptBlock(m_chain, feed);
            for (std::size_t b = 0; b < bs; ++b)
                out[b] = feed[b] ^ in[b];
            std::memcpy(m_chain, out, bs);
            break;
        default:
            EncryptBlock(in, out);
            break;
        }
    }
}

void CRijndael::Decrypt(const unsigned char* in, unsigned char* out, int length) {
    CheckLength(length);
    const auto bs = static_cast<std::size_t>(m_blockSize);
    unsigned char cipher[MAX_BLOCK_SIZE];
    unsigned char feed[MAX_BLOCK_SIZE];
    for (int i = 0; i < length; i += m_blockSize, in += bs, out += bs) {
        switch (m_mode) {
        case CBC:
            std::memcpy(cipher, in, bs);
            DecryptBlock(cipher, out);
            XorBlock(out, m_chain);
            std::memcpy(m_chain, cipher, bs);
            break;
        case CFB:
            std::memcpy(cipher, in, bs);
            EncryptBlock(m_chain, feed);
            for (std::size_t b = 0; b < bs; ++b)
                out[b] = feed[b] ^ cipher[b];
            std::memcpy(m_chain, cipher, bs);
            break;
        default:
            DecryptBlock(in, out);
            break;
        }
    }
}

void CRijndael::GetSignature(unsigned char* signature) {
    CheckInitialized();
    std::string text = "RIJNDAEL";
    text.append(reinterpret_cast<const char*>(m_key), static_cast<std::size_t>(m_keyLength));
    text += std::to_string(m_blockSize) + std::to_string(m_keyLength) + std::to_string(m_mode) +
            std::to_string(m_padding);
    text.resize(std::strlen(text.c_str()));
    CSHA sha;
    sha.AddData(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    sha.FinalDigest(signature);
}

namespace {

constexpr int kFileBufferSize = 1024;
constexpr int kFileChunk = 384; // a whole number of blocks for every block size

// Different spellings of one existing file ("a" and "./a", links) count as the same file too, since
// opening the output would truncate the input.
void CheckDistinctFiles(const std::string& inName, const std::string& outName) {
    std::error_code ec;
    if (inName == outName || std::filesystem::equivalent(inName, outName, ec))
        Fail("FileCrypt ERROR: The same File for Input and Output " + inName);
}

std::ifstream OpenInput(const std::string& name) {
    if (db::IsDatabaseFile(QString::fromStdString(name), db::FileUse::kRead))
        Fail("FileCrypt ERROR: " + db::DatabaseFileRefusal().toStdString());
    std::ifstream in(name, std::ios::binary);
    if (!in.is_open() || !in.good())
        Fail("FileCrypt ERROR: Cannot open File " + name);
    return in;
}

std::ofstream OpenOutput(const std::string& name) {
    if (db::IsDatabaseFile(QString::fromStdString(name), db::FileUse::kWrite))
        Fail("FileCrypt ERROR: " + db::DatabaseFileRefusal().toStdString());
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    if (!out.is_open() || !out.good())
        Fail("FileCrypt ERROR: Cannot open File " + name);
    return out;
}

// A full disk or a lost device must not pass for a finished file.
void FinishOutput(std::ofstream& out, const std::string& name) {
    out.close();
    if (out.fail())
        Fail("FileCrypt ERROR: Cannot write File " + name);
}

} // namespace

void CRijndael::EncryptFile(const std::string& inName, const std::string& outName) {
    CheckInitialized();
    CheckDistinctFiles(inName, outName);
    std::ifstream in = OpenInput(inName);
    std::ofstream out = OpenOutput(outName);

    unsigned char signature[CSHA::DIGEST_SIZE];
    GetSignature(signature);
    out.write(reinterpret_cast<const char*>(signature), sizeof signature);
    ResetChain();

    char buffer[kFileBufferSize];
    CDoubleBuffering reader(in, buffer, kFileBufferSize, kFileChunk);
    unsigned char plain[kFileChunk];
    unsigned char cipher[kFileChunk];
    int n;
    while ((n = reader.GetData(reinterpret_cast<char*>(plain))) > 0) {
        if (n < kFileChunk)
            n = PadData(plain, n);
        Encrypt(plain, cipher, n);
        out.write(reinterpret_cast<const char*>(cipher), n);
    }
    FinishOutput(out, outName);
}

// The signature is checked before the output is opened, so a wrong key leaves an existing output
// file untouched.
void CRijndael::DecryptFile(const std::string& inName, const std::string& outName) {
    CheckInitialized();
    CheckDistinctFiles(inName, outName);
    std::ifstream in = OpenInput(inName);

    unsigned char expected[CSHA::DIGEST_SIZE];
    GetSignature(expected);
    char found[CSHA::DIGEST_SIZE];
    in.read(found, sizeof found);
    if (in.gcount() != static_cast<std::streamsize>(sizeof found) ||
        std::memcmp(found, expected, sizeof found) != 0)
        Fail("FileCrypt ERROR: File " + inName + " cannot be Correctly Decrypted!");
    std::ofstream out = OpenOutput(outName);
    ResetChain();

    char buffer[kFileBufferSize];
    CDoubleBuffering reader(in, buffer, kFileBufferSize, kFileChunk);
    unsigned char cipher[kFileChunk];
    unsigned char plain[kFileChunk];
    int n;
    while ((n = reader.GetData(reinterpret_cast<char*>(cipher))) > 0) {
        Decrypt(cipher, plain, n);
        out.write(reinterpret_cast<const char*>(plain), n);
    }
    FinishOutput(out, outName);
}

// ========================================= CSHA =========================================

void CSHA::Reset() {
    std::copy(kSha.h0.begin(), kSha.h0.end(), m_state);
    m_bitCount = 0;
    std::memset(m_block, 0, sizeof m_block);
    m_bAddData = false;
}

void CSHA::Compress(const unsigned char* block) {
    const auto rotr = [](std::uint32_t x, int n) { return Rotr32(x, n); };
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t)
        w[t] = BytesToWord(block + 4 * t);
    for (int t = 16; t < 64; ++t) {
        const std::uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    std::uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
    for (int t = 0; t < 64; ++t) {
        const std::uint32_t sum1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
        const std::uint32_t ch = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + sum1 + ch + kSha.k[t] + w[t];
        const std::uint32_t sum0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
        const std::uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
        const std::uint32_t t2 = sum0 + maj;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
    m_state[5] += f;
    m_state[6] += g;
    m_state[7] += h;
}

void CSHA::AddData(const unsigned char* data, int length) {
    if (length < 1)
        Fail("FileCrypt ERROR: in CSHA::AddData(), Data Length should be > 0!");
    std::size_t used = static_cast<std::size_t>((m_bitCount / 8) % 64);
    m_bitCount += static_cast<std::uint64_t>(length) * 8;
    auto remaining = static_cast<std::size_t>(length);
    while (remaining > 0) {
        const std::size_t take = std::min(remaining, sizeof m_block - used);
        std::memcpy(m_block + used, data, take);
        data += take;
        remaining -= take;
        used += take;
        if (used == sizeof m_block) {
            Compress(m_block);
            used = 0;
        }
    }
    m_bAddData = true;
}

void CSHA::FinalDigest(unsigned char* digest) {
    if (!m_bAddData)
        Fail("FileCrypt ERROR: in CSHA::FinalDigest(), No data Added before call!");
    std::size_t used = static_cast<std::size_t>((m_bitCount / 8) % 64);
    m_block[used++] = 0x80;
    if (used > 56) {
        std::memset(m_block + used, 0, sizeof m_block - used);
        Compress(m_block);
        used = 0;
    }
    std::memset(m_block + used, 0, 56 - used);
    WordToBytes(static_cast<std::uint32_t>(m_bitCount >> 32), m_block + 56);
    WordToBytes(static_cast<std::uint32_t>(m_bitCount), m_block + 60);
    Compress(m_block);
    for (int i = 0; i < 8; ++i)
        WordToBytes(m_state[i], digest + 4 * i);
    Reset();
}

// =================================== CDoubleBuffering ===================================

CDoubleBuffering::CDoubleBuffering(std::istream& in, char* buffer, int size, int dataLength)
    : m_in(in), m_buffer(buffer), m_size(size), m_dataLength(dataLength) {
    if (size % 2 != 0)
        Fail("CDoubleBuffering: m_iSize should be Even Number!");
    if (!in.good())
        Fail(kBadStream);
    if (buffer == nullptr || dataLength < 1 || dataLength > size / 2)
        Fail("CDoubleBuffering: Illegal Construction Data!");
    Refill();
}

// Reads one half at the fill position. It is only called when at most half the buffer holds
// undelivered data and every earlier read was a full half, so that half is free and aligned.
void CDoubleBuffering::Refill() {
    const int half = m_size / 2;
    const int fill = (m_pos + m_avail) % m_size;
    m_in.read(m_buffer + fill, half);
    if (m_in.bad())
        Fail(kBadStream);
    const auto got = static_cast<int>(m_in.gcount());
    m_avail += got;
    if (got < half)
        m_bEOF = true;
}

int CDoubleBuffering::GetData(char* out, int length) {
    if (length == -1)
        length = m_dataLength;
    if (length < 1 || length > m_dataLength)
        Fail("CDoubleBuffering::GetData(): Illegal iDataLen!");
    if (m_avail < length && !m_bEOF)
        Refill();
    const int n = std::min(length, m_avail);
    const int first = std::min(n, m_size - m_pos);
    std::memcpy(out, m_buffer + m_pos, static_cast<std::size_t>(first));
    std::memcpy(out + first, m_buffer, static_cast<std::size_t>(n - first));
    m_pos = (m_pos + n) % m_size;
    m_avail -= n;
    return n;
}
