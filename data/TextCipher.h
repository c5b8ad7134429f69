#pragma once
// Enciphered text: AES-256 (ECB, zero padding) over the GBK bytes of a text, written as upper-case
// hexadecimal. Subject names, exam names and the database password are stored this way.

#include <QString>

#include <memory>

class CRijndael;

namespace data {
// The key of the enciphered subject and exam names (string 57676; never shown).
QString DescriptionKey();
} // namespace data

// Two upper-case digits and a terminating zero (out holds 3 chars).
void ByteToHex(unsigned char byte, char* out);
// True when both characters are "0"-"9" or "A"-"F"; lower-case digits are refused.
bool HexToByte(const char* twoChars, unsigned char& out);
// out (2 * count + 1 chars) = the digits of the bytes in order, zero-terminated.
void BytesToHexText(const unsigned char* bytes, int count, char* out);
// Converts count pairs; false at the first pair HexToByte refuses (the bytes before it are written).
bool HexTextToBytes(const char* hex, unsigned char* bytes, int count);
// The plain system beep that marks a failed cipher operation.
void CipherErrorBeep();

// The cipher that an owner (the main frame, a dialog) keeps for its enciphered names. The cipher
// object is created on first use and re-keyed by every call.
class CTextCipher {
public:
    CTextCipher();
    ~CTextCipher();
    CTextCipher(const CTextCipher&) = delete;
    CTextCipher& operator=(const CTextCipher&) = delete;

    // Both return "0" after one beep when the cipher fails (empty text, hex text whose byte count
    // is 0 or no multiple of 16).
    QString EncodeText(const QString& key, const QString& text);
    QString DecodeText(const QString& key, const QString& hexText);

private:
    CRijndael& Keyed(const QString& key);

    std::unique_ptr<CRijndael> m_pRijndael;
};
