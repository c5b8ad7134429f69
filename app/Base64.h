#pragma once
// Base64 with the standard alphabet and "=" as the pad character. The decoder is lenient the way
// the program needs: it stops at the first "=", reads a blank as "+" (a "+" that went through a
// URL) and skips every other byte outside the alphabet.

#include <QByteArray>

#include <cstddef>
#include <memory>
#include <optional>

class CBase64 {
public:
    // A buffer of length + 1 bytes: the `count` decoded bytes and a zero byte after them. Null when
    // an "=" comes where no byte can end (no character or a single one in the last group of four).
    static std::unique_ptr<unsigned char[]> Decode(const char* text, std::size_t length, std::size_t& count);
    // 4·⌈length/3⌉ characters padded with "=", and a zero byte after them.
    static std::unique_ptr<char[]> Encode(const unsigned char* bytes, std::size_t length, std::size_t& count);

    static std::optional<QByteArray> Decode(const QByteArray& text);
    static QByteArray Encode(const QByteArray& bytes);
};
