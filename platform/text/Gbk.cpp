#include "platform/text/Gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace text {
namespace {

// One iconv descriptor per direction and thread; iconv_t is not safe to share between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; at an input sequence it cannot convert, writes `replacement` and skips
    // skip(in, left) bytes of input.
    template <typename Skip>
    QByteArray Run(const char* in, size_t inLeft, const char* replacement, Skip skip) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.resize(static_cast<qsizetype>(inLeft * 2 + 16));
        char* src = const_cast<char*>(in);
        size_t used = 0;
        while (inLeft > 0) {
            char* dst = out.data() + used;
            size_t outLeft = static_cast<size_t>(out.size()) - used;
            size_t r = iconv(m_cd, &src, &inLeft, &dst, &outLeft);
            used = static_cast<size_t>(dst - out.data());
            if (r != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2 + 16);
                continue;
            }
            // EILSEQ or EINVAL: an unconvertible or truncated sequence.
            size_t n = std::max<size_t>(1, std::min(inLeft, skip(src, inLeft)));
            src += n;
            inLeft -= n;
            size_t rl = std::strlen(replacement);
            if (static_cast<size_t>(out.size()) < used + rl)
                out.resize(static_cast<qsizetype>(used + rl + 16));
            std::memcpy(out.data() + used, replacement, rl);
            used += rl;
        }
        out.resize(static_cast<qsizetype>(used));
        return out;
    }

private:
    iconv_t m_cd;
};

size_t Utf8SequenceLength(const char* p, size_t left) {
    unsigned char c = static_cast<unsigned char>(*p);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    return std::min(n, left);
}

// A bad pair is skipped whole only when its second byte could be a trail byte; otherwise that
// byte (often ASCII, such as a line end) is converted on its own.
size_t GbkSequenceLength(const char* p, size_t left) {
    const unsigned char c = static_cast<unsigned char>(p[0]);
    if (c < 0x81 || c > 0xFE || left < 2)
        return 1;
    const unsigned char t = static_cast<unsigned char>(p[1]);
    return (t >= 0x40 && t <= 0xFE && t != 0x7F) ? 2 : 1;
}

Converter& ToGbkConverter() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}

Converter& ToGb18030Converter() {
    thread_local Converter c("GB18030", "UTF-8");
    return c;
}

Converter& FromGbkConverter() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

} // namespace

QByteArray ToGbk(const QString& s) {
    if (s.isEmpty())
        return {};
    const QByteArray utf8 = s.toUtf8();
    return ToGbkConverter().Run(utf8.constData(), static_cast<size_t>(utf8.size()), "?", Utf8SequenceLength);
}

QByteArray ToGb18030(const QString& s) {
    if (s.isEmpty())
        return {};
    const QByteArray utf8 = s.toUtf8();
    // Only a lone surrogate (no character at all) has no GB18030 form.
    return ToGb18030Converter().Run(utf8.constData(), static_cast<size_t>(utf8.size()), "?",
                                    Utf8SequenceLength);
}

QString FromGbk(const char* bytes, int length) {
    if (length <= 0)
        return {};
    const QByteArray utf8 =
        FromGbkConverter().Run(bytes, static_cast<size_t>(length), "\xEF\xBF\xBD", GbkSequenceLength);
    return QString::fromUtf8(utf8);
}

QString FromGbk(const QByteArray& bytes) {
    return FromGbk(bytes.constData(), static_cast<int>(bytes.size()));
}

QString CharactersOutsideGbk(const QString& s) {
    // A text that GBK holds converts with no more '?' than it has.
    if (ToGbk(s).count('?') == s.count(u'?'))
        return {};
    QString outside;
    for (qsizetype i = 0; i < s.size();) {
        const qsizetype step =
            (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QString ch = s.mid(i, step);
        // A character GBK has converts to bytes of 0x80 and above, never to the bare '?'.
        if (ch.at(0).unicode() >= 0x80 && ToGbk(ch) == "?" && !outside.contains(ch))
            outside += ch;
        i += step;
    }
    return outside;
}

bool HasControlCharacter(const QString& s) {
    return std::any_of(s.begin(), s.end(), IsControlCharacter);
}

int GbkLength(const QString& s) {
    return static_cast<int>(ToGbk(s).size());
}

QString CutToGbkBytes(const QString& s, int maxBytes) {
    if (maxBytes <= 0)
        return {};
    int used = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype step =
            (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const int w = s.at(i).unicode() < 0x80 ? 1 : static_cast<int>(ToGbk(s.mid(i, step)).size());
        if (used + w > maxBytes)
            break;
        used += w;
        i += step;
    }
    return s.left(i);
}

int CompareGbkBytes(const char* a, int aLength, const char* b, int bLength) {
    const int n = std::min(aLength, bLength);
    const int r = n > 0 ? std::memcmp(a, b, static_cast<size_t>(n)) : 0;
    if (r != 0)
        return r < 0 ? -1 : 1;
    return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

int CompareGbk(const QString& a, const QString& b) {
    const QByteArray ga = ToGbk(a);
    const QByteArray gb = ToGbk(b);
    return CompareGbkBytes(ga.constData(), static_cast<int>(ga.size()), gb.constData(),
                           static_cast<int>(gb.size()));
}

} // namespace text
