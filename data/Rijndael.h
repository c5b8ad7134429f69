#pragma once
// Rijndael block cipher (FIPS-197 generalised to 16-, 24- and 32-byte blocks), SHA-256 (FIPS 180-2),
// whole-file encryption with a signature header and the double-buffered reader it uses.
// Every failure is thrown as std::runtime_error.

#include <cstdint>
#include <istream>
#include <string>

// A 32-bit word from / to four bytes, most significant byte first.
std::uint32_t BytesToWord(const unsigned char* bytes);
void WordToBytes(std::uint32_t word, unsigned char* bytes);

class CBlockCipher {
public:
    enum { ECB = 0, CBC = 1, CFB = 2 };
    enum { ZEROES = 0, BLANKS = 1, PKCS7 = 2 };

    virtual ~CBlockCipher() = default;

    // 32 bytes identifying the configuration and the key.
    virtual void GetSignature(unsigned char* signature) = 0;
    virtual void Encrypt(const unsigned char* in, unsigned char* out, int length) = 0;
    virtual void Decrypt(const unsigned char* in, unsigned char* out, int length) = 0;
    virtual void EncryptFile(const std::string& inName, const std::string& outName) = 0;
    virtual void DecryptFile(const std::string& inName, const std::string& outName) = 0;
    virtual void ResetChain() = 0;

    void XorBlock(unsigned char* buffer, const unsigned char* other) const;
    void SetMode(int mode);
    void SetPadding(int padding);
    int GetKeyLength() const;
    int GetBlockSize() const;
    int GetMode() const;
    int GetPadding() const;
    // Pads buffer[0, length) up to a whole number of blocks; the buffer must hold the padded length.
    int PadData(unsigned char* buffer, int length) const;

protected:
    CBlockCipher() = default;
    void CheckInitialized() const;

    bool m_bInit = false;
    int m_blockSize = 16;
    int m_keyLength = 16;
    int m_mode = ECB;
    int m_padding = ZEROES;
};

class CRijndael : public CBlockCipher {
public:
    static constexpr int MAX_BLOCK_SIZE = 32;
    static constexpr int MAX_KEY_LENGTH = 32;
    static constexpr int MAX_ROUNDS = 14;

    CRijndael() = default;

    // The key is keyData repeated (or cut) to keyLength bytes. A null chain means an all-zero one.
    void SetKey(const unsigned char* keyData, int keyDataLength, const unsigned char* chain,
                int keyLength = 16, int blockSize = 16, int mode = ECB, int padding = ZEROES);

    void GetSignature(unsigned char* signature) override;
    // Length must be a positive multiple of the block size. in and out may be the same buffer.
    void Encrypt(const unsigned char* in, unsigned char* out, int length) override;
    void Decrypt(const unsigned char* in, unsigned char* out, int length) override;
    void EncryptFile(const std::string& inName, const std::string& outName) override;
    void DecryptFile(const std::string& inName, const std::string& outName) override;
    void ResetChain() override;

    void EncryptBlock(const unsigned char* in, unsigned char* out) const;
    void DecryptBlock(const unsigned char* in, unsigned char* out) const;

private:
    void EncryptBlock4(const unsigned char* in, unsigned char* out) const;
    void DecryptBlock4(const unsigned char* in, unsigned char* out) const;
    void EncryptBlockN(const unsigned char* in, unsigned char* out) const;
    void DecryptBlockN(const unsigned char* in, unsigned char* out) const;
    void CheckLength(int length) const;

    unsigned char m_key[MAX_KEY_LENGTH] = {};
    int m_rounds = 0;
    std::uint32_t m_encKeys[MAX_ROUNDS + 1][MAX_BLOCK_SIZE / 4] = {};
    std::uint32_t m_decKeys[MAX_ROUNDS + 1][MAX_BLOCK_SIZE / 4] = {};
    unsigned char m_chain0[MAX_BLOCK_SIZE] = {};
    unsigned char m_chain[MAX_BLOCK_SIZE] = {};
};

class CSHA {
public:
    static constexpr int DIGEST_SIZE = 32;

    CSHA() { Reset(); }

    void Reset();
    void AddData(const unsigned char* data, int length);
    // Writes the 32-byte digest and resets the object for the next message.
    void FinalDigest(unsigned char* digest);

private:
    void Compress(const unsigned char* block);

    std::uint32_t m_state[8] = {};
    std::uint64_t m_bitCount = 0;
    unsigned char m_block[64] = {};
    bool m_bAddData = false;
};

// Reads a stream through a caller-supplied buffer of two halves: one half is delivered while the
// other is refilled, so every delivery but the last has the full requested length.
class CDoubleBuffering {
public:
    CDoubleBuffering(std::istream& in, char* buffer, int size, int dataLength);

    // Copies up to length bytes (-1: the data length) to out; returns how many, 0 at the end.
    int GetData(char* out, int length = -1);

private:
    void Refill();

    std::istream& m_in;
    char* m_buffer;
    int m_size;
    int m_dataLength;
    int m_pos = 0;   // next byte to deliver
    int m_avail = 0; // bytes read but not yet delivered, starting at m_pos (wrapping)
    bool m_bEOF = false;
};
