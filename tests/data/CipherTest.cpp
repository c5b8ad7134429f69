#include "data/Rijndael.h"
#include "data/TextCipher.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Sound.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::string ToHex(const unsigned char* bytes, std::size_t n) {
    std::string hex(2 * n + 1, '\0');
    BytesToHexText(bytes, static_cast<int>(n), hex.data());
    hex.resize(2 * n);
    return hex;
}

Bytes Sequence(int n, int start = 0) {
    Bytes out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<unsigned char>(start + i);
    return out;
}

// Expects fn to throw std::runtime_error with exactly this text.
void ExpectError(const std::function<void()>& fn, const std::string& text) {
    try {
        fn();
        ADD_FAILURE() << "no exception, expected: " << text;
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), text);
    }
}

const std::string kNotInit = "FileCrypt ERROR: Encryption/Decryption Object not Initialized!";
const unsigned char kZeroChain[32] = {};

} // namespace

// ------------------------------------------------------------------------------------------

// Key 00 01 02 .., plain text 00 11 22 ..: the 16-byte rows are FIPS-197 appendix C; the others
// were worked out with a separate byte-by-byte implementation of the standard's round steps (which
// reproduces the appendix C rows too).
TEST(Rijndael, KnownVectorsForEveryBlockAndKeySize) {
    const struct {
        int blockSize, keyLength;
        const char* cipher;
    } cases[] = {
        {16, 16, "69C4E0D86A7B0430D8CDB78070B4C55A"},
        {16, 24, "DDA97CA4864CDFE06EAF70A0EC0D7191"},
        {16, 32, "8EA2B7CA516745BFEAFC49904B496089"},
        {24, 16, "E64018D211D8349B350F38893D7D23899FECE7A9ACA7C6BA"},
        {24, 24, "78BE2D48F76D71DA6966F3A175FB71AD66B70B2076C3CF1D"},
        {24, 32, "65D851DF8D04B5CBB510935FDD1EB17B33EFB8CB255EE712"},
        {32, 16, "98C6F98BA9631B91C34F431E0887C561B6AC44C985CECD38DBC4CB30B9170D2F"},
        {32, 24, "3C386395E910345A59A7DD165DCBDA604BF072F0A03A6B0055A79B734E668868"},
        {32, 32, "288FA9D23D00D9DC0A39B33FA92867C6488B5E0F18A6F74C072078EC815462E6"},
    };
    for (const auto& c : cases) {
        Bytes plain(static_cast<std::size_t>(c.blockSize));
        for (std::size_t i = 0; i < plain.size(); ++i)
            plain[i] = static_cast<unsigned char>(i * 0x11);
        const Bytes key = Sequence(c.keyLength);
        CRijndael cipher;
        cipher.SetKey(key.data(), c.keyLength, kZeroChain, c.keyLength, c.blockSize);
        Bytes out(plain.size()), back(plain.size());
        cipher.Encrypt(plain.data(), out.data(), c.blockSize);
        EXPECT_EQ(ToHex(out.data(), out.size()), c.cipher) << c.blockSize << "/" << c.keyLength;
        cipher.Decrypt(out.data(), back.data(), c.blockSize);
        EXPECT_EQ(back, plain) << c.blockSize << "/" << c.keyLength;
    }
}

TEST(Rijndael, SetKeyErrorsInOrderAndLeaveObjectUnchanged) {
    CRijndael c;
    const Bytes key = Sequence(32);
    ExpectError([&] { c.SetKey(nullptr, 0, kZeroChain, 99, 99, 9, 9); },
                "FileCrypt ERROR: No Key DataSpecified!");
    ExpectError([&] { c.SetKey(key.data(), 0, kZeroChain, 99, 99, 9, 9); },
                "FileCrypt ERROR: Key Data Length should be > 0!");
    ExpectError([&] { c.SetKey(key.data(), 32, kZeroChain, 20, 99, 9, 9); }, "Illegal Key Length!");
    ExpectError([&] { c.SetKey(key.data(), 32, kZeroChain, 32, 20, 9, 9); }, "Illegal Block Size!");
    ExpectError([&] { c.SetKey(key.data(), 32, kZeroChain, 32, 16, 3, 9); },
                "FileCrypt ERROR: Illegal Operation Mode!");
    ExpectError([&] { c.SetKey(key.data(), 32, kZeroChain, 32, 16, 0, -1); },
                "FileCrypt ERROR: Illegal Padding Mode!");
    ExpectError([&] { c.GetBlockSize(); }, kNotInit);

    c.SetKey(key.data(), 32, kZeroChain, 24, 32, CBlockCipher::CBC, CBlockCipher::BLANKS);
    ExpectError([&] { c.SetKey(key.data(), 32, kZeroChain, 16, 16, 0, 7); },
                "FileCrypt ERROR: Illegal Padding Mode!");
    ExpectError([&] { c.SetMode(3); }, "FileCrypt ERROR: Illegal Operation Mode!");
    ExpectError([&] { c.SetPadding(3); }, "FileCrypt ERROR: Illegal Padding Mode!");
    EXPECT_EQ(c.GetKeyLength(), 24);
    EXPECT_EQ(c.GetBlockSize(), 32);
    EXPECT_EQ(c.GetMode(), CBlockCipher::CBC);
    EXPECT_EQ(c.GetPadding(), CBlockCipher::BLANKS);
}

TEST(Rijndael, EveryOperationBeforeSetKeyThrows) {
    CRijndael c;
    unsigned char a[32] = {}, b[32] = {};
    const std::vector<std::function<void()>> ops = {[&] { c.XorBlock(a, b); },
                                                    [&] { c.SetMode(0); },
                                                    [&] { c.SetPadding(0); },
                                                    [&] { c.GetKeyLength(); },
                                                    [&] { c.GetMode(); },
                                                    [&] { c.GetPadding(); },
                                                    [&] { c.PadData(a, 3); },
                                                    [&] { c.Encrypt(a, b, 16); },
                                                    [&] { c.Decrypt(a, b, 16); },
                                                    [&] { c.EncryptBlock(a, b); },
                                                    [&] { c.DecryptBlock(a, b); },
                                                    [&] { c.ResetChain(); },
                                                    [&] { c.GetSignature(a); },
                                                    [&] { c.EncryptFile("x", "y"); },
                                                    [&] { c.DecryptFile("x", "y"); }};
    for (const auto& op : ops)
        ExpectError(op, kNotInit);
}

TEST(Rijndael, IllegalLengths) {
    CRijndael c;
    const Bytes key = Sequence(16);
    c.SetKey(key.data(), 16, kZeroChain, 16, 24);
    unsigned char a[64] = {}, b[64] = {};
    for (int n : {0, -24, 16, 25})
        for (bool encrypt : {true, false})
            ExpectError([&] { encrypt ? c.Encrypt(a, b, n) : c.Decrypt(a, b, n); }, "Illegal Block Size!");
    c.Encrypt(a, b, 48);
}

TEST(Rijndael, KeyDataIsRepeatedToKeyLength) {
    const Bytes ten = Sequence(10);
    Bytes full(32);
    for (int i = 0; i < 32; ++i)
        full[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i % 10);
    CRijndael shortKey, fullKey, longKey;
    shortKey.SetKey(ten.data(), 10, kZeroChain, 32, 16);
    fullKey.SetKey(full.data(), 32, kZeroChain, 32, 16);
    Bytes longer = full;
    longer.insert(longer.end(), {0xAA, 0xBB}); // cut at the key length
    longKey.SetKey(longer.data(), 34, kZeroChain, 32, 16);
    unsigned char s1[32], s2[32], s3[32];
    shortKey.GetSignature(s1);
    fullKey.GetSignature(s2);
    longKey.GetSignature(s3);
    EXPECT_EQ(ToHex(s1, 32), ToHex(s2, 32));
    EXPECT_EQ(ToHex(s1, 32), ToHex(s3, 32));
}

TEST(Rijndael, ChainingModes) {
    const Bytes key = Sequence(16, 7);
    const Bytes iv = Sequence(16, 0x80);
    const Bytes plain = Sequence(48, 3);
    CRijndael ecb;
    ecb.SetKey(key.data(), 16, iv.data(), 16, 16, CBlockCipher::ECB);

    for (int mode : {CBlockCipher::CBC, CBlockCipher::CFB}) {
        CRijndael c;
        c.SetKey(key.data(), 16, iv.data(), 16, 16, mode);
        Bytes first(48), second(48), back(48);
        c.Encrypt(plain.data(), first.data(), 48);
        c.Encrypt(plain.data(), second.data(), 48);
        EXPECT_NE(first, second) << mode; // the chain runs on without ResetChain

        // Each block's chain input is the previous cipher block (the IV for the first).
        for (int blk = 0; blk < 3; ++blk) {
            const unsigned char* prev =
                blk == 0 ? iv.data() : &first[static_cast<std::size_t>(16 * (blk - 1))];
            unsigned char x[16], e[16];
            for (int i = 0; i < 16; ++i)
                x[i] = mode == CBlockCipher::CBC ? prev[i] ^ plain[static_cast<std::size_t>(16 * blk + i)]
                                                 : prev[i];
            ecb.EncryptBlock(x, e);
            if (mode == CBlockCipher::CFB)
                for (int i = 0; i < 16; ++i)
                    e[i] ^= plain[static_cast<std::size_t>(16 * blk + i)];
            EXPECT_EQ(ToHex(e, 16), ToHex(&first[static_cast<std::size_t>(16 * blk)], 16))
                << mode << " " << blk;
        }

        c.ResetChain();
        Bytes again(48);
        c.Encrypt(plain.data(), again.data(), 48);
        EXPECT_EQ(again, first);
        c.ResetChain();
        c.Decrypt(first.data(), back.data(), 48);
        EXPECT_EQ(back, plain);

        c.ResetChain(); // in place
        Bytes inPlace = first;
        c.Decrypt(inPlace.data(), inPlace.data(), 48);
        EXPECT_EQ(inPlace, plain);
    }
}

TEST(Rijndael, PadData) {
    CRijndael c;
    const Bytes key = Sequence(16);
    c.SetKey(key.data(), 16, kZeroChain, 16, 24);
    for (int padding : {0, 1, 2}) {
        c.SetPadding(padding);
        Bytes buf(48, 0xEE);
        EXPECT_EQ(c.PadData(buf.data(), 24), 24);
        EXPECT_EQ(buf, Bytes(48, 0xEE)); // a whole block gets nothing
        EXPECT_EQ(c.PadData(buf.data(), 29), 48);
        const unsigned char expected = padding == 0 ? 0x00 : padding == 1 ? 0x20 : 19;
        for (int i = 29; i < 48; ++i)
            EXPECT_EQ(buf[static_cast<std::size_t>(i)], expected) << padding;
    }
}

TEST(Rijndael, SignatureDependsOnConfigurationOnly) {
    const Bytes key = Sequence(32, 1);
    auto sig = [&](int keyLength, int blockSize, int mode, int padding) {
        CRijndael c;
        c.SetKey(key.data(), 32, kZeroChain, keyLength, blockSize, mode, padding);
        unsigned char out[32];
        c.GetSignature(out);
        return ToHex(out, 32);
    };
    const std::string base = sig(32, 16, 0, 0);
    EXPECT_EQ(base, sig(32, 16, 0, 0));
    EXPECT_NE(base, sig(24, 16, 0, 0));
    EXPECT_NE(base, sig(32, 24, 0, 0));
    EXPECT_NE(base, sig(32, 16, 1, 0));
    EXPECT_NE(base, sig(32, 16, 0, 2));

    // The signed text is "RIJNDAEL", the key bytes and "%d%d%d%d" of the four settings.
    std::string text = "RIJNDAEL" + std::string(key.begin(), key.end()) + "163200";
    CSHA sha;
    sha.AddData(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    unsigned char digest[32];
    sha.FinalDigest(digest);
    EXPECT_EQ(base, ToHex(digest, 32));
}

TEST(Sha256, Fips180Vectors) {
    CSHA sha;
    unsigned char d[32];
    const std::string abc = "abc";
    sha.AddData(reinterpret_cast<const unsigned char*>(abc.data()), 3);
    sha.FinalDigest(d);
    EXPECT_EQ(ToHex(d, 32), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");

    // Fed 13 bytes at a time so partial blocks are joined; FinalDigest has reset the object.
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    for (std::size_t i = 0; i < two.size(); i += 13)
        sha.AddData(reinterpret_cast<const unsigned char*>(two.data() + i),
                    static_cast<int>(std::min<std::size_t>(13, two.size() - i)));
    sha.FinalDigest(d);
    EXPECT_EQ(ToHex(d, 32), "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");

    const std::string thousand(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        sha.AddData(reinterpret_cast<const unsigned char*>(thousand.data()), 1000);
    sha.FinalDigest(d);
    EXPECT_EQ(ToHex(d, 32), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
}

TEST(Sha256, Errors) {
    CSHA sha;
    unsigned char d[32];
    ExpectError([&] { sha.AddData(d, 0); },
                "FileCrypt ERROR: in CSHA::AddData(), Data Length should be > 0!");
    ExpectError([&] { sha.FinalDigest(d); },
                "FileCrypt ERROR: in CSHA::FinalDigest(), No data Added before call!");
    sha.AddData(d, 1);
    sha.FinalDigest(d);
    ExpectError([&] { sha.FinalDigest(d); },
                "FileCrypt ERROR: in CSHA::FinalDigest(), No data Added before call!");
}

TEST(BigEndianWords, LoadAndStore) {
    const unsigned char b[4] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(BytesToWord(b), 0x12345678u);
    unsigned char out[4];
    WordToBytes(0xA1B2C3D4u, out);
    EXPECT_EQ(ToHex(out, 4), "A1B2C3D4");
}

TEST(DoubleBuffering, DeliversFullChunksThenRestThenZero) {
    std::string data(1000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    std::istringstream in(data);
    char buffer[64];
    CDoubleBuffering reader(in, buffer, 64, 24);
    std::string got;
    char chunk[24];
    int n;
    std::vector<int> sizes;
    while ((n = reader.GetData(chunk)) > 0) {
        sizes.push_back(n);
        got.append(chunk, static_cast<std::size_t>(n));
        if (got.size() == 240) { // a short request in between
            ASSERT_EQ(reader.GetData(chunk, 5), 5);
            got.append(chunk, 5);
        }
    }
    EXPECT_EQ(got, data);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i)
        EXPECT_EQ(sizes[i], 24);
    EXPECT_EQ(reader.GetData(chunk), 0);
}

TEST(DoubleBuffering, Errors) {
    std::istringstream good("abc");
    char buffer[16];
    ExpectError([&] { CDoubleBuffering(good, buffer, 15, 4); },
                "CDoubleBuffering: m_iSize should be Even Number!");
    std::ifstream missing("/nonexistent/file");
    ExpectError([&] { CDoubleBuffering(missing, buffer, 16, 4); },
                "CDoubleBuffering: Referenced File not Opened or in Bad State!");
    for (int dataLength : {0, 9})
        ExpectError([&] { CDoubleBuffering(good, buffer, 16, dataLength); },
                    "CDoubleBuffering: Illegal Construction Data!");
    CDoubleBuffering reader(good, buffer, 16, 8);
    char out[16];
    for (int length : {0, 9, -2})
        ExpectError([&] { reader.GetData(out, length); }, "CDoubleBuffering::GetData(): Illegal iDataLen!");
    EXPECT_EQ(reader.GetData(out), 3);
}

class CipherFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const {
        return (std::filesystem::path(m_dir.path().toStdString()) / name).string();
    }
    static void Write(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void Key(CRijndael& c, int firstByte, int mode = CBlockCipher::CBC) const {
        const Bytes key = Sequence(32, firstByte);
        c.SetKey(key.data(), 32, kZeroChain, 32, 16, mode, CBlockCipher::ZEROES);
    }
    QTemporaryDir m_dir;
};

TEST_F(CipherFileTest, RoundTripKeepsPaddingAndChecksSignature) {
    std::string plain(1000, 'x'); // two full chunks of 384, then 232 padded to 240
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<char>('a' + i % 26);
    Write(Path("plain"), plain);
    CRijndael c;
    Key(c, 1);
    c.EncryptFile(Path("plain"), Path("enc"));
    const std::string enc = Read(Path("enc"));
    ASSERT_EQ(enc.size(), 32u + 1008u);
    unsigned char sig[32];
    c.GetSignature(sig);
    EXPECT_EQ(enc.substr(0, 32), std::string(reinterpret_cast<char*>(sig), 32));

    c.Encrypt(reinterpret_cast<const unsigned char*>("0123456789abcdef"), sig, 16); // moves the chain
    c.DecryptFile(Path("enc"), Path("dec"));
    EXPECT_EQ(Read(Path("dec")), plain + std::string(8, '\0'));

    // Another key: refused, and an existing output file is left as it was.
    Write(Path("keep"), "keep me");
    CRijndael other;
    Key(other, 2);
    ExpectError([&] { other.DecryptFile(Path("enc"), Path("keep")); },
                "FileCrypt ERROR: File " + Path("enc") + " cannot be Correctly Decrypted!");
    EXPECT_EQ(Read(Path("keep")), "keep me");
}

TEST_F(CipherFileTest, NameAndOpenErrors) {
    CRijndael c;
    Key(c, 1);
    Write(Path("plain"), "hello");
    for (bool encrypt : {true, false}) {
        auto run = [&](const std::string& in, const std::string& out) {
            encrypt ? c.EncryptFile(in, out) : c.DecryptFile(in, out);
        };
        ExpectError([&] { run(Path("plain"), Path("plain")); },
                    "FileCrypt ERROR: The same File for Input and Output " + Path("plain"));
        // Another spelling of the same file would be truncated by opening the output.
        const std::string dotted = m_dir.path().toStdString() + "/./plain";
        ExpectError([&] { run(Path("plain"), dotted); },
                    "FileCrypt ERROR: The same File for Input and Output " + Path("plain"));
        ExpectError([&] { run(Path("missing"), Path("out")); },
                    "FileCrypt ERROR: Cannot open File " + Path("missing"));
        EXPECT_FALSE(std::filesystem::exists(Path("out")));
    }
    EXPECT_EQ(Read(Path("plain")), "hello");
    ExpectError([&] { c.EncryptFile(Path("plain"), Path("nodir/out")); },
                "FileCrypt ERROR: Cannot open File " + Path("nodir/out"));
    c.EncryptFile(Path("plain"), Path("enc"));
    ExpectError([&] { c.DecryptFile(Path("enc"), Path("nodir/out")); },
                "FileCrypt ERROR: Cannot open File " + Path("nodir/out"));
    Write(Path("short"), "tiny");
    ExpectError([&] { c.DecryptFile(Path("short"), Path("out")); },
                "FileCrypt ERROR: File " + Path("short") + " cannot be Correctly Decrypted!");
}

// ------------------------------------------------------------------------------------------

class TextCipherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::SetBeepMuted(true);
        ui::ResetBeepCount();
    }
    void TearDown() override { ui::SetBeepMuted(false); }
    CTextCipher m_cipher;
};

TEST_F(TextCipherTest, KnownValues) {
    EXPECT_EQ(m_cipher.EncodeText(QStringLiteral("云帆远航程"), QStringLiteral("语文")),
              QStringLiteral("D76DF95DED4472EEEAD27DFA012773DF"));
    EXPECT_EQ(m_cipher.EncodeText(QStringLiteral("春风拂柳岸"), QStringLiteral("Tavrin#2008")),
              QStringLiteral("A8A1142639F9A0C1AAB85616A7C9244E"));
    EXPECT_EQ(
        m_cipher.DecodeText(QStringLiteral("云帆远航程"), QStringLiteral("D76DF95DED4472EEEAD27DFA012773DF")),
        QStringLiteral("语文"));
    EXPECT_EQ(ui::BeepCount(), 0);
}

TEST_F(TextCipherTest, RoundTripsAndLengths) {
    const QString key = QStringLiteral("云帆远航程");
    const QString sixteen = QStringLiteral("数学甲乙丙丁戊己"); // 16 GBK bytes
    const QString seventeen = sixteen + QLatin1Char('A');
    ASSERT_EQ(text::GbkLength(sixteen), 16);
    const struct {
        QString plain;
        int digits;
    } cases[] = {
        {QStringLiteral("a"), 32}, {QStringLiteral("English 101"), 32}, {sixteen, 32}, {seventeen, 64}};
    for (const auto& c : cases) {
        const QString hex = m_cipher.EncodeText(key, c.plain);
        EXPECT_EQ(hex.size(), c.digits) << c.plain.toStdString();
        EXPECT_EQ(hex, hex.toUpper());
        EXPECT_EQ(m_cipher.DecodeText(key, hex), c.plain);
        EXPECT_NE(m_cipher.DecodeText(QStringLiteral("春风拂柳岸"), hex), c.plain);
    }
    // A 33rd digit is ignored.
    const QString hex = m_cipher.EncodeText(key, QStringLiteral("物理"));
    EXPECT_EQ(m_cipher.DecodeText(key, hex + QLatin1Char('7')), QStringLiteral("物理"));
    EXPECT_EQ(ui::BeepCount(), 0);
}

TEST_F(TextCipherTest, KeyIsCutAt32Bytes) {
    const QString key32 = QStringLiteral("0123456789abcdef0123456789abcdef");
    const QString hex = m_cipher.EncodeText(key32, QStringLiteral("化学"));
    EXPECT_EQ(m_cipher.EncodeText(key32 + QStringLiteral("tail"), QStringLiteral("化学")), hex);
    EXPECT_NE(m_cipher.EncodeText(key32.left(31), QStringLiteral("化学")), hex);
}

TEST_F(TextCipherTest, FailuresBeepOnceAndAnswerZero) {
    const QString key = QStringLiteral("云帆远航程");
    const QString good = m_cipher.EncodeText(key, QStringLiteral("语文"));
    const QString inputs[] = {QString(), QStringLiteral("0"), good.left(30), good.left(31),
                              good + good.left(2)};
    EXPECT_EQ(m_cipher.EncodeText(key, QString()), QStringLiteral("0"));
    EXPECT_EQ(ui::BeepCount(), 1);
    for (const QString& in : inputs) {
        ui::ResetBeepCount();
        EXPECT_EQ(m_cipher.DecodeText(key, in), QStringLiteral("0")) << in.toStdString();
        EXPECT_EQ(ui::BeepCount(), 1);
    }
    // The cipher object survives a failure.
    EXPECT_EQ(m_cipher.DecodeText(key, good), QStringLiteral("语文"));
}

TEST_F(TextCipherTest, BadDigitsZeroTheRestDeterministically) {
    const QString key = QStringLiteral("云帆远航程");
    const QString good = m_cipher.EncodeText(key, QStringLiteral("语文"));
    const QString lower = good.toLower();
    ASSERT_NE(lower, good);
    // No beep: the whole buffer is still deciphered, from zeros after the first bad pair.
    const QString a = m_cipher.DecodeText(key, lower);
    EXPECT_NE(a, QStringLiteral("语文"));
    EXPECT_EQ(a, m_cipher.DecodeText(key, QString(32, QLatin1Char('0'))));
    EXPECT_EQ(ui::BeepCount(), 0);
}

TEST(HexCodec, Conversions) {
    char two[3];
    ByteToHex(0xA7, two);
    EXPECT_STREQ(two, "A7");
    unsigned char b = 0;
    EXPECT_TRUE(HexToByte("F0", b));
    EXPECT_EQ(b, 0xF0);
    for (const char* bad : {"f0", "0a", "G1", "1 ", "-1"})
        EXPECT_FALSE(HexToByte(bad, b)) << bad;

    unsigned char bytes[4] = {0x11, 0x11, 0x11, 0x11};
    EXPECT_FALSE(HexTextToBytes("0A1bFF00", bytes, 4));
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0x11); // untouched from the refused pair on
    EXPECT_TRUE(HexTextToBytes("", bytes, 0));
    EXPECT_TRUE(HexTextToBytes("00FF7e", bytes, 2));
    EXPECT_EQ(bytes[1], 0xFF);
    char text[9];
    BytesToHexText(bytes, 4, text);
    EXPECT_STREQ(text, "00FF1111");
}
