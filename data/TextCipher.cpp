#include "data/TextCipher.h"

#include "data/Rijndael.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Sound.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kKeyLength = 32;
constexpr int kBlockSize = 16;
const QString kErrorText = QStringLiteral("0");

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QString data::DescriptionKey() {
    return res::LoadString(57676);
}

void ByteToHex(unsigned char byte, char* out) {
    static const char digits[] = "0123456789ABCDEF";
    out[0] = digits[byte >> 4];
    out[1] = digits[byte & 0x0F];
    out[2] = '\0';
}

bool HexToByte(const char* twoChars, unsigned char& out) {
    const int high = HexDigit(twoChars[0]);
    if (high < 0)
        return false;
    const int low = HexDigit(twoChars[1]);
    if (low < 0)
        return false;
    out = static_cast<unsigned char>(high * 16 + low);
    return true;
}

void BytesToHexText(const unsigned char* bytes, int count, char* out) {
    out[0] = '\0';
    for (int i = 0; i < count; ++i)
        ByteToHex(bytes[i], out + 2 * i);
}

bool HexTextToBytes(const char* hex, unsigned char* bytes, int count) {
    for (int i = 0; i < count; ++i)
        if (!HexToByte(hex + 2 * i, bytes[i]))
            return false;
    return true;
}

void CipherErrorBeep() {
    ui::MessageBeep(0xFFFFFFFF);
}

CTextCipher::CTextCipher() = default;
CTextCipher::~CTextCipher() = default;

CRijndael& CTextCipher::Keyed(const QString& key) {
    if (!m_pRijndael)
        m_pRijndael = std::make_unique<CRijndael>();
    unsigned char keyBuffer[kKeyLength] = {};
    const QByteArray keyBytes = text::ToGbk(key);
    std::memcpy(keyBuffer, keyBytes.constData(), std::min<std::size_t>(keyBytes.size(), kKeyLength));
    const unsigned char chain[kBlockSize] = {};
    m_pRijndael->SetKey(keyBuffer, kKeyLength, chain, kKeyLength, kBlockSize, CBlockCipher::ECB,
                        CBlockCipher::ZEROES);
    return *m_pRijndael;
}

QString CTextCipher::EncodeText(const QString& key, const QString& text) {
    try {
        CRijndael& cipher = Keyed(key);
        const QByteArray plain = text::ToGbk(text);
        const auto length = static_cast<int>(plain.size());
        const int padded = (length + kBlockSize - 1) / kBlockSize * kBlockSize;
        // One spare block keeps the buffers non-empty; an empty text still fails in Encrypt.
        std::vector<unsigned char> in(static_cast<std::size_t>(padded) + kBlockSize);
        std::vector<unsigned char> out(in.size());
        std::memcpy(in.data(), plain.constData(), static_cast<std::size_t>(length));
        cipher.PadData(in.data(), length);
        cipher.ResetChain();
        cipher.Encrypt(in.data(), out.data(), padded);
        std::vector<char> hex(2 * static_cast<std::size_t>(padded) + 1);
        BytesToHexText(out.data(), padded, hex.data());
        return QString::fromLatin1(hex.data());
    } catch (...) {
        CipherErrorBeep();
        return kErrorText;
    }
}

QString CTextCipher::DecodeText(const QString& key, const QString& hexText) {
    try {
        CRijndael& cipher = Keyed(key);
        // Characters outside Latin-1 become '?', which the conversion refuses like any bad digit.
        const QByteArray hex = hexText.toLatin1();
        const auto count = static_cast<int>(hex.size() / 2);
        // Zero-filled, so a bad pair leaves it and every byte after it zero: the whole buffer is
        // still deciphered, deterministically, and the text ends where the garbage holds a zero.
        std::vector<unsigned char> in(static_cast<std::size_t>(count) + kBlockSize, 0);
        std::vector<unsigned char> out(in.size() + 1, 0);
        HexTextToBytes(hex.constData(), in.data(), count);
        cipher.ResetChain();
        cipher.Decrypt(in.data(), out.data(), count);
        out[static_cast<std::size_t>(count)] = 0;
        const auto* bytes = reinterpret_cast<const char*>(out.data());
        return text::FromGbk(bytes, static_cast<int>(std::strlen(bytes)));
    } catch (...) {
        CipherErrorBeep();
        return kErrorText;
    }
}
