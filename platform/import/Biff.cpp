#include "platform/import/Biff.h"

#include "platform/import/BiffCrypt.h"
#include "platform/import/BiffRecords.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <strings.h>
#include <utility>

namespace importsrc::biff {
namespace {

// Record types (those that bound the parts are in BiffRecords.h).
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kMulBlank = 0x00BE;
constexpr std::uint16_t kRString = 0x00D6;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kFormat = 0x041E;
// Records that may stand between a formula and the STRING record of its text result.
constexpr std::uint16_t kShrFmla = 0x04BC;
constexpr std::uint16_t kArray = 0x0221;
constexpr std::uint16_t kTable = 0x0236;

// Records of the formats before BIFF8 (their sizes, cells, rows and beginnings) that a BIFF8
// sheet never holds, and type 0, which no record has: where one stands in a sheet, a type or a
// length was damaged and the records from there on are misread.
constexpr std::uint16_t kOlderRecords[] = {0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0007,
                                           0x0008, 0x0009, 0x0206, 0x0209, 0x0406, 0x0409};

// The cell table: the row records and the cells of a sheet's rows, each formula with the records
// of its result, and the row blocks' index records, written one after the other. No other record
// stands among them. (A CONTINUE record belongs to the record before it, wherever that stands.)
constexpr std::uint16_t kDbCell = 0x00D7;
constexpr std::uint16_t kCellTable[] = {kRow,     kNumber,  kRk,    kMulRk,    kLabelSst, kLabel,
                                        kRString, kBoolErr, kBlank, kMulBlank, kFormula,  kString,
                                        kShrFmla, kArray,   kTable, kDbCell};

template <size_t N>
bool OneOf(const std::uint16_t (&types)[N], std::uint16_t type) {
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kGlobals = 0x0005;
constexpr std::uint16_t kWorksheet = 0x0010;
// BIFF8 records hold at most this many bytes; longer data goes on in CONTINUE records.
constexpr std::uint16_t kMaxRecord = 8224;

double F64(const unsigned char* p) {
    double v;
    std::memcpy(&v, p, 8);
    return v;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-16 code units to UTF-8; a surrogate without its pair becomes U+FFFD.
std::string Utf8(const std::vector<std::uint16_t>& units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// "0x0003": a record's type as the format's documents write it.
std::string Hex(std::uint16_t v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(digits[v >> shift & 0xF]);
    return out;
}

struct Record {
    std::uint16_t type = 0;
    const unsigned char* body = nullptr;
    std::uint16_t size = 0;
};

// The file breaks the format: the reading stops and the file is refused.
struct Damage {
    std::string detail;
};

// The records of a stream from an offset on.
class Records {
public:
    Records(const unsigned char* data, size_t size, size_t at) : m_data(data), m_size(size), m_pos(at) {}

    // The next record; false at the end of the stream.
    bool Next(Record* r) {
        if (m_pos == m_size)
            return false;
        if (m_size - m_pos < 4)
            throw Damage{"工作簿的最后一条记录不完整"};
        r->type = U16(m_data + m_pos);
        r->size = U16(m_data + m_pos + 2);
        if (r->size > kMaxRecord || m_size - m_pos - 4 < r->size)
            throw Damage{"工作簿的记录超出了文件的末尾"};
        r->body = m_data + m_pos + 4;
        m_pos += 4 + static_cast<size_t>(r->size);
        return true;
    }
    // The next record's type, without taking it; 0 at the end.
    std::uint16_t PeekType() const { return m_size - m_pos >= 4 ? U16(m_data + m_pos) : 0; }
    // Whether an end record just read closes its part of the stream where it should: the next
    // part's beginning follows, or the end of the stream (which writers may pad with zeros).
    // Anything else is a record whose type was damaged into an end record, and the records after
    // it would be lost.
    size_t Position() const { return m_pos; }
    bool EndsWhereItShould() const {
        if (PeekType() == kBof)
            return true;
        return std::all_of(m_data + m_pos, m_data + m_size, [](unsigned char b) { return b == 0; });
    }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos;
};

// The data of a record and of the CONTINUE records behind it, read across their borders.
class Pieces {
public:
    explicit Pieces(const Record& first) { m_parts.push_back({first.body, first.size}); }
    // Takes the CONTINUE records that follow.
    void TakeContinues(Records& records) {
        Record r;
        while (records.PeekType() == kContinue && records.Next(&r))
            m_parts.push_back({r.body, r.size});
    }
    void Skip(size_t n) { Read(nullptr, n); }
    // Whether every byte of the records has been read.
    bool AtEnd() const { return Left() == 0; }
    std::uint8_t U8() {
        unsigned char b[1];
        Read(b, 1);
        return b[0];
    }
    std::uint16_t U16() {
        unsigned char b[2];
        Read(b, 2);
        return biff::U16(b);
    }
    std::uint32_t U32() {
        unsigned char b[4];
        Read(b, 4);
        return biff::U32(b);
    }

    // A string: `chars` characters, 16-bit when the flags say so. Where the characters go on in
    // the next record, that record starts with flags of its own.
    std::string Chars(size_t chars, bool wide) {
        std::vector<std::uint16_t> units;
        units.reserve(std::min(chars, Left()));
        while (chars > 0) {
            if (LeftInPart() == 0) {
                NextPart();
                wide = (U8() & 0x01) != 0;
                continue;
            }
            const size_t width = wide ? 2 : 1;
            const size_t n = std::min(chars, LeftInPart() / width);
            if (n == 0)
                throw Damage{"工作簿的文字在记录的边界处断开"};
            const unsigned char* p = m_parts[m_part].first + m_pos;
            for (size_t i = 0; i < n; ++i)
                units.push_back(wide ? biff::U16(p + 2 * i) : p[i]);
            m_pos += n * width;
            chars -= n;
        }
        return Utf8(units);
    }

    // An XLUnicodeString (16-bit length), or with `shortLength` a ShortXLUnicodeString (8-bit);
    // rich-text runs and phonetic data behind it are passed over.
    std::string String(bool shortLength) {
        const size_t chars = shortLength ? U8() : U16();
        const std::uint8_t flags = U8();
        const size_t runs = flags & 0x08 ? U16() : 0;
        const size_t extra = flags & 0x04 ? U32() : 0;
        std::string text = Chars(chars, (flags & 0x01) != 0);
        Skip(runs * 4);
        Skip(extra);
        return text;
    }

private:
    size_t LeftInPart() const { return m_parts[m_part].second - m_pos; }
    size_t Left() const {
        size_t n = LeftInPart();
        for (size_t i = m_part + 1; i < m_parts.size(); ++i)
            n += m_parts[i].second;
        return n;
    }
    void NextPart() {
        if (m_part + 1 >= m_parts.size())
            throw Damage{"工作簿的记录比其中的数据短"};
        ++m_part;
        m_pos = 0;
    }
    void Read(unsigned char* out, size_t n) {
        while (n > 0) {
            if (LeftInPart() == 0)
                NextPart();
            const size_t k = std::min(n, LeftInPart());
            if (out) {
                std::memcpy(out, m_parts[m_part].first + m_pos, k);
                out += k;
            }
            m_pos += k;
            n -= k;
        }
    }

    std::vector<std::pair<const unsigned char*, size_t>> m_parts;
    size_t m_part = 0;
    size_t m_pos = 0;
};

// The kind of number a number format shows: a date, a time, both, or a plain number. Quoted
// text, escaped characters, fill and padding characters and bracketed parts ([Red], [$-804])
// say nothing, except [h], [mm] and [ss], elapsed times; only the first section counts. Of the
// letters, y and d are dates, h and s times, and m is minutes right after an h or right before
// an s, else a month.
Kind KindOfFormat(const std::string& format) {
    std::string tokens; // one letter for each run of a letter: "yyyy-mm-dd hh:mm" gives "ymdhm"
    bool time = false;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == ';')
            break;
        if (c == '"' || c == '[') {
            const size_t close = format.find(c == '"' ? '"' : ']', i + 1);
            if (close == std::string::npos)
                break;
            if (c == '[') {
                const std::string inside = format.substr(i + 1, close - i - 1);
                if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string::npos) {
                    time = true;
                    tokens.push_back(static_cast<char>(inside[0] | 0x20));
                }
            }
            i = close;
            continue;
        }
        if (c == '\\' || c == '_' || c == '*') {
            ++i;
            continue;
        }
        if (format.compare(i, 5, "AM/PM") == 0 || format.compare(i, 5, "am/pm") == 0) {
            time = true;
            i += 4;
            continue;
        }
        const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (lower != 0 && std::strchr("ymdhs", lower) &&
            (tokens.empty() || tokens.back() != lower || (i > 0 && format[i - 1] != c)))
            tokens.push_back(lower);
    }
    bool date = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        switch (tokens[i]) {
        case 'h':
        case 's':
            time = true;
            break;
        case 'm':
            if ((i > 0 && tokens[i - 1] == 'h') || (i + 1 < tokens.size() && tokens[i + 1] == 's'))
                time = true;
            else
                date = true;
            break;
        default:
            date = true;
            break;
        }
    }
    if (date && time)
        return Kind::DateTime;
    if (date)
        return Kind::Date;
    return time ? Kind::Time : Kind::Number;
}

// The built-in number formats that show dates or times (those a file need not define),
// including the Chinese ones.
Kind KindOfBuiltInFormat(std::uint16_t index) {
    if ((index >= 14 && index <= 17) || (index >= 27 && index <= 31) || index == 36 ||
        (index >= 50 && index <= 54) || index == 57 || index == 58)
        return Kind::Date;
    if ((index >= 18 && index <= 21) || (index >= 32 && index <= 35) || (index >= 45 && index <= 47) ||
        index == 55 || index == 56)
        return Kind::Time;
    if (index == 22)
        return Kind::DateTime;
    return Kind::Number;
}

// How often a read says it goes on: every this many cells or strings.
constexpr std::uint32_t kProgressEvery = 4096;
void (*g_progressStep)(void*) = nullptr;
void* g_progressContext = nullptr;
std::uint32_t g_progressCount = 0;

void Progress() {
    if (g_progressStep && ++g_progressCount % kProgressEvery == 0)
        g_progressStep(g_progressContext);
}

bool InSheetOnly(std::uint16_t type) {
    static constexpr std::uint16_t kinds[] = {kBof,    kDimensions, kRow,   kNumber,   kLabelSst, kRk,
                                              kMulRk,  kMulBlank,   kBlank, kBoolErr,  kLabel,    kFormula,
                                              kString, kRString,    kShrFmla, kArray, kTable};
    return std::find(std::begin(kinds), std::end(kinds), type) != std::end(kinds) ||
           std::find(std::begin(kOlderRecords), std::end(kOlderRecords), type) != std::end(kOlderRecords);
}

struct Globals {
    bool date1904 = false;
    std::vector<std::pair<std::uint16_t, std::string>> formats; // index and format text
    std::vector<std::uint16_t> xfFormats;                       // the format of each XF
    std::vector<std::string> strings; // the shared strings, then the kept cells' own texts
    size_t shared = 0;                // how many of the strings are shared strings
    std::vector<std::pair<std::string, std::uint32_t>> sheets;  // name and stream offset
    std::vector<std::uint32_t> listed; // the stream offset of every sheet listed, of any kind
    size_t end = 0;                    // where the global records end
    bool decrypted = false;            // the stream was decrypted (BiffCrypt.h)
};

void ReadSharedStrings(const Record& sst, Records& records, Globals& g) {
    Pieces in(sst);
    in.TakeContinues(records);
    in.Skip(4); // total number of uses
    const std::uint32_t unique = in.U32();
    // The count comes from the file: memory grows with the strings read, not with the count.
    for (std::uint32_t i = 0; i < unique; ++i) {
        g.strings.push_back(in.String(false));
        Progress();
    }
    // The table holds its strings and nothing behind them: bytes left over mean that a damaged
    // length or flag shifted the strings, and cells would show another cell's text.
    if (!in.AtEnd())
        throw Damage{"工作簿的共享字符串表中的字符串与其长度不符"};
    g.shared = g.strings.size();
}

Problem ReadGlobals(const unsigned char* data, size_t size, Globals& g) {
    if (size < 8 || U16(data) != kBof || U16(data + 2) < 4)
        return Problem::NotWorkbook;
    Records records(data, size, 0);
    Record r;
    records.Next(&r);
    if (U16(r.body) != kBiff8)
        return Problem::OldFormat;
    if (U16(r.body + 2) != kGlobals)
        throw Damage{"工作簿不以全局记录开始"};
    while (records.Next(&r)) {
        switch (r.type) {
        case kEof:
            if (!records.EndsWhereItShould())
                throw Damage{"工作簿的全局记录在结尾之后还有记录"};
            g.end = records.Position();
            return Problem::None;
        case kFilePass:
            if (!g.decrypted)
                return Problem::Password;
            break;
        case kDateMode:
            if (r.size >= 2)
                g.date1904 = U16(r.body) != 0;
            break;
        case kFormat: {
            Pieces in(r);
            in.TakeContinues(records);
            const std::uint16_t index = in.U16();
            g.formats.emplace_back(index, in.String(false));
            break;
        }
        case kXf:
            if (r.size < 4)
                throw Damage{"单元格格式记录不完整"};
            g.xfFormats.push_back(U16(r.body + 2));
            break;
        case kBoundSheet: {
            if (r.size < 8)
                throw Damage{"工作表记录不完整"};
            Pieces in(r);
            const std::uint32_t offset = in.U32();
            in.Skip(1); // visibility
            const std::uint8_t type = in.U8();
            std::string name = in.String(true);
            if (name.empty() || name.find('\0') != std::string::npos)
                throw Damage{"工作表的名称为空或含有空字符"};
            // A worksheet, a macro sheet, a chart or a code module: no other kind of sheet exists.
            if (type != 0 && type != 1 && type != 2 && type != 6)
                throw Damage{"工作表记录的类型已损坏"};
            g.listed.push_back(offset);
            if (type == 0) // a worksheet; charts, macro and code sheets hold no table
                g.sheets.emplace_back(std::move(name), offset);
            break;
        }
        case kSst:
            if (!g.strings.empty())
                throw Damage{"工作簿有两个共享字符串表"};
            ReadSharedStrings(r, records, g);
            break;
        default:
            // The global records hold no part's beginning, and no sheet's size, row or cell:
            // met there, the global records' end was damaged and a sheet is being read as part
            // of them, a sheet whose entry may be gone with the damage.
            if (InSheetOnly(r.type))
                throw Damage{"工作簿的全局记录中混有工作表的记录"};
            break;
        }
    }
    throw Damage{"工作簿的全局记录没有结尾"};
}

// The RK form of a number: a 30-bit integer or the top 30 bits of a double, either of them
// possibly in hundredths.
double RkValue(std::uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return rk & 0x01 ? v / 100 : v;
}

// A worksheet's records read into its cells. Each kind of cell record has its decoder; a
// record of a fixed size must have exactly that size (a length field changed would otherwise
// take the records behind it for the record's own data).
//
// A damaged type or length can make the records behind it misread until a misread length lands
// on a real record again, the sheet still ending where it should: what every writer does is
// therefore checked. A record of an older format (or of type 0) is damage; so is a cell given
// twice, a cell record after the cell table has ended, a sheet without a size record ahead of
// its cells (every writer writes one there: bytes written over a sheet's head take it with
// them), a cell outside the declared rows in a row without a row record where the sheet's
// other rows have them, and a cell outside both the declared columns and those its row's record
// gives. What writers do each in their own way is no damage: records of types the reader does
// not use, wherever they stand; a size that declares no cell, or not every cell
// (the sheet's size comes from its cells); row records of rows without cells.
class SheetReader {
public:
    // Keeps the cells in `cells` (nullptr: they are checked and passed over).
    SheetReader(Globals& g, const std::string& name, Records& records, size_t bytesLeft,
                std::vector<Cell>* cells)
        : m_g(g), m_name(name), m_records(records), m_bytesLeft(bytesLeft), m_cells(cells) {
        m_xfKinds.reserve(g.xfFormats.size());
        for (std::uint16_t format : g.xfFormats) {
            Kind kind = KindOfBuiltInFormat(format);
            for (const auto& [index, text] : g.formats)
                if (index == format)
                    kind = KindOfFormat(text);
            m_xfKinds.push_back(kind);
        }
    }

    // Reads the records up to the sheet's end.
    void Read() {
        using Decoder = void (SheetReader::*)(const Record&);
        static constexpr std::pair<std::uint16_t, Decoder> kDecoders[] = {
            {kDimensions, &SheetReader::Dimensions},
            {kRow, &SheetReader::Row},
            {kNumber, &SheetReader::Number},
            {kRk, &SheetReader::Rk},
            {kMulRk, &SheetReader::MulRk},
            {kLabelSst, &SheetReader::LabelSst},
            {kLabel, &SheetReader::Label},
            {kRString, &SheetReader::RString},
            {kBoolErr, &SheetReader::BoolErr},
            {kBlank, &SheetReader::Blank},
            {kMulBlank, &SheetReader::MulBlank},
            {kFormula, &SheetReader::Formula},
            {kString, &SheetReader::String},
        };
        int depth = 0; // inside embedded substreams (charts on the sheet)
        Record r;
        while (m_records.Next(&r)) {
            if (OneOf(kOlderRecords, r.type))
                Fail("中有不属于Excel 97-2003格式的记录（类型" + Hex(r.type) + "）");
            if (depth > 0) {
                depth += r.type == kBof ? 1 : r.type == kEof ? -1 : 0;
                continue;
            }
            if (r.type != kContinue)
                CellTable(r.type);
            if (m_pendingString && r.type != kString && r.type != kShrFmla && r.type != kArray &&
                r.type != kTable && r.type != kContinue)
                Fail("中公式的文字结果缺失");
            if (r.type == kBof)
                ++depth;
            else if (r.type == kEof) {
                if (!m_records.EndsWhereItShould())
                    Fail("在结尾之后还有记录");
                if (!m_sized)
                    Fail("没有大小记录");
                CheckRowsOutsideTheSize();
                return;
            }
            for (const auto& [type, decode] : kDecoders)
                if (type == r.type)
                    (this->*decode)(r);
        }
        Fail("没有结尾");
    }

private:
    // The cell table is one run of records behind the sheet's size record: a record of another
    // type among the cells is a damaged type that hides a cell (the rows around it would read
    // with a value missing), and cells without the size record ahead of them are the rest of a
    // sheet whose head was overwritten.
    void CellTable(std::uint16_t type) {
        const bool cellRecord = OneOf(kCellTable, type);
        if (m_table == Table::Before) {
            if (cellRecord) {
                if (!m_sized)
                    Fail("在其单元格记录之前没有大小记录");
                m_table = Table::Inside;
            }
        } else if (m_table == Table::Inside) {
            if (!cellRecord) {
                m_table = Table::After;
                m_ended = type;
            }
        } else if (cellRecord) {
            Fail("的单元格记录中间夹有其他记录（类型" + Hex(m_ended) + "）");
        }
    }

    [[noreturn]] void Fail(const std::string& what) const { throw Damage{"工作表“" + m_name + "”" + what}; }
    void NeedSize(const Record& r, size_t size, const char* what) const {
        if (r.size != size)
            Fail(std::string("的") + what + "记录长度不对");
    }

    // A size record: the first row and column, and the row and column behind the last.
    void Dimensions(const Record& r) {
        NeedSize(r, 14, "大小");
        const std::uint32_t firstRow = U32(r.body), endRow = U32(r.body + 4);
        const std::uint16_t firstColumn = U16(r.body + 8), endColumn = U16(r.body + 10);
        if (firstRow > endRow || firstColumn > endColumn)
            Fail("的大小记录已损坏（首行或首列在末行或末列之后）");
        if (endRow > kMaxRows || endColumn > kMaxColumns)
            Fail("声明的大小（" + std::to_string(endRow) + "行×" + std::to_string(endColumn) +
                 "列）超出了格式的上限（65536行×256列）");
        if (endRow > firstRow && endColumn == firstColumn)
            Fail("声明有行而没有列");
        m_sized = true;
        m_firstRow = firstRow;
        m_endRow = endRow;
        m_firstColumn = firstColumn;
        m_endColumn = endColumn;
        // Room for the cells the sheet declares, as far as the records left can hold them
        // (a cell takes 10 bytes at least), so that the cells are not moved as they come.
        if (m_cells && m_cells->empty()) {
            const std::uint64_t declared =
                static_cast<std::uint64_t>(endRow - firstRow) * (endColumn - firstColumn);
            m_cells->reserve(static_cast<size_t>(std::min<std::uint64_t>(declared, m_bytesLeft / 10)));
        }
    }
    // A row record: the row, its first column and the column behind its last cell, its height
    // and flags. The columns say nothing of the cells that come: writers give rows without cells
    // (styled, hidden or of their own height) with no columns, the first column alone or all of
    // them.
    void Row(const Record& r) {
        NeedSize(r, 16, "行");
        if (U16(r.body + 4) > kMaxColumns)
            Fail("的行记录已损坏（第" + std::to_string(U16(r.body) + 1) + "行超出第256列）");
        RowFlags(U16(r.body)) |= kRowRecord;
        m_anyRowRecord = true;
        if (m_spans.empty())
            m_spans.resize(kMaxRows);
        m_spans[U16(r.body)] = {U16(r.body + 2), U16(r.body + 4)};
    }
    // A sheet whose writer gives its rows row records gives every row of cells one; a cell in a
    // row without one, outside the rows the size declares too, is a cell whose row was damaged
    // (it would read far from its place). Cells outside the declared size in rows of their own,
    // and rows of cells in a sheet without row records, are as writers write them.
    void CheckRowsOutsideTheSize() const {
        if (!m_anyRowRecord)
            return;
        for (size_t row = 0; row < m_rows.size(); ++row)
            if (m_rows[row] == kCellsOutside)
                Fail("的第" + std::to_string(row + 1) + "行有单元格，却没有行记录，又在其大小记录声明的" +
                     std::to_string(m_endRow) + "行之外");
        // Likewise a cell outside the declared columns and outside the columns its row's record
        // gives its cells: two records of the writer's disagree with it, so its column was
        // damaged. A row record that gives no columns says nothing.
        for (size_t row = 0; row < m_outside.size() && !m_spans.empty(); ++row) {
            const auto [least, most] = m_outside[row];
            const auto [first, end] = m_spans[row];
            if (least > most || first >= end)
                continue;
            if (least < first || most >= end)
                Fail("有单元格（第" + std::to_string(row + 1) + "行第" +
                     std::to_string((least < first ? least : most) + 1) +
                     "列）在其行记录和大小记录声明的列之外");
        }
    }
    std::uint8_t& RowFlags(std::uint16_t row) {
        if (m_rows.empty())
            m_rows.resize(kMaxRows);
        return m_rows[row];
    }
    void Number(const Record& r) {
        NeedSize(r, 14, "数字单元格");
        AddNumber(U16(r.body), U16(r.body + 2), U16(r.body + 4), F64(r.body + 6));
    }
    void Rk(const Record& r) {
        NeedSize(r, 10, "数字单元格");
        AddNumber(U16(r.body), U16(r.body + 2), U16(r.body + 4), RkValue(U32(r.body + 6)));
    }
    // Numbers of a row's adjacent cells: the row, the first column, six bytes for each cell
    // (its format and RK value), the last column.
    void MulRk(const Record& r) {
        if (r.size < 12 || (r.size - 6) % 6 != 0)
            Fail("的多个数字单元格记录长度不对");
        const std::uint16_t row = U16(r.body), first = U16(r.body + 2);
        const size_t n = (r.size - 6) / 6;
        if (U16(r.body + r.size - 2) != first + n - 1)
            Fail("的多个数字单元格记录与其列数不符");
        for (size_t i = 0; i < n; ++i)
            AddNumber(row, static_cast<std::uint16_t>(first + i), U16(r.body + 4 + 6 * i),
                      RkValue(U32(r.body + 6 + 6 * i)));
    }
    void LabelSst(const Record& r) {
        NeedSize(r, 10, "文字单元格");
        const std::uint32_t index = U32(r.body + 6);
        if (index >= m_g.shared)
            Fail("的文字单元格指向共享字符串表之外");
        AddText(U16(r.body), U16(r.body + 2), index, {});
    }
    // A text cell with its text: the cell, then the string, and nothing behind it.
    void Label(const Record& r) {
        Pieces in(r);
        in.TakeContinues(m_records);
        const std::uint16_t row = in.U16(), column = in.U16();
        in.Skip(2);
        std::string text = in.String(false);
        if (!in.AtEnd())
            Fail("的文字单元格记录长度不对");
        AddOwnText(row, column, std::move(text));
    }
    // A text cell with formatting runs: the cell, the string, the number of runs and the runs.
    void RString(const Record& r) {
        Pieces in(r);
        in.TakeContinues(m_records);
        const std::uint16_t row = in.U16(), column = in.U16();
        in.Skip(2);
        const size_t chars = in.U16();
        const bool wide = (in.U8() & 0x01) != 0;
        std::string text = in.Chars(chars, wide);
        in.Skip(static_cast<size_t>(in.U16()) * 4);
        if (!in.AtEnd())
            Fail("的文字单元格记录长度不对");
        AddOwnText(row, column, std::move(text));
    }
    // A boolean or an error value: the cell, the value, and whether it is an error.
    void BoolErr(const Record& r) {
        NeedSize(r, 8, "逻辑值单元格");
        if (r.body[7] == 0)
            AddNumber(U16(r.body), U16(r.body + 2), 0, r.body[6] ? 1 : 0);
        else
            Place(U16(r.body), U16(r.body + 2), Kind::Error);
    }
    // A cell with a format and no value: checked, not kept.
    void Blank(const Record& r) {
        NeedSize(r, 6, "空白单元格");
        Given(U16(r.body), U16(r.body + 2));
    }
    // A row's adjacent blank cells: the row, the first column, a format for each, the last column.
    void MulBlank(const Record& r) {
        if (r.size < 8 || r.size % 2 != 0)
            Fail("的多个空白单元格记录长度不对");
        const std::uint16_t row = U16(r.body), first = U16(r.body + 2);
        const size_t n = (r.size - 6) / 2;
        if (U16(r.body + r.size - 2) != first + n - 1)
            Fail("的多个空白单元格记录与其列数不符");
        for (size_t i = 0; i < n; ++i)
            Given(row, static_cast<std::uint16_t>(first + i));
    }
    // A formula: the cell, its cached result (a number, or a kind in the first byte where the
    // last two are 0xFFFF), flags, a reserved field, and the formula's length and tokens.
    void Formula(const Record& r) {
        if (r.size < 22 || 22u + U16(r.body + 20) > r.size)
            Fail("的公式单元格记录长度不对");
        const std::uint16_t row = U16(r.body), column = U16(r.body + 2), xf = U16(r.body + 4);
        const unsigned char* result = r.body + 6;
        if (U16(result + 6) != 0xFFFF) {
            AddNumber(row, column, xf, F64(result));
            return;
        }
        switch (result[0]) {
        case 0: // text, in the STRING record that follows (which gives the cell)
            CheckColumn(column);
            m_pendingString = true;
            m_pendingRow = row;
            m_pendingColumn = column;
            break;
        case 1: // boolean
            AddNumber(row, column, 0, result[2] ? 1 : 0);
            break;
        case 2: // an error
            Place(row, column, Kind::Error);
            break;
        case 3: // an empty text
            Place(row, column, Kind::Empty);
            break;
        default:
            Fail("的公式结果类型不明");
        }
    }
    // The text result of the formula before it: the string, and nothing behind it.
    void String(const Record& r) {
        if (!m_pendingString)
            return;
        Pieces in(r);
        in.TakeContinues(m_records);
        std::string text = in.String(false);
        if (!in.AtEnd())
            Fail("中公式的文字结果记录长度不对");
        AddOwnText(m_pendingRow, m_pendingColumn, std::move(text));
        m_pendingString = false;
    }

    // A cell's column: inside the format's columns.
    void CheckColumn(std::uint16_t column) const {
        if (column >= kMaxColumns)
            Fail("有超出第256列的单元格");
    }
    // A cell's position given by a cell record: checked and noted; a position given before is a
    // cell given twice.
    void Given(std::uint16_t row, std::uint16_t column) {
        CheckColumn(column);
        if (m_given.empty())
            m_given.resize(kMaxRows * kMaxColumns / 64);
        std::uint64_t& word = m_given[(static_cast<size_t>(row) * kMaxColumns + column) / 64];
        const std::uint64_t bit = std::uint64_t{1} << (column % 64);
        if (word & bit)
            Fail("有单元格（第" + std::to_string(row + 1) + "行第" + std::to_string(column + 1) +
                 "列）给出了两次");
        word |= bit;
        if (row < m_firstRow || row >= m_endRow)
            RowFlags(row) |= kCellsOutside;
        if (column < m_firstColumn || column >= m_endColumn) {
            if (m_outside.empty())
                m_outside.resize(kMaxRows, {kMaxColumns, 0});
            auto& [least, most] = m_outside[row];
            least = std::min(least, column);
            most = std::max(most, column);
        }
    }
    // A cell of the sheet: checked, then kept (when the sheet's cells are kept) with its kind, its
    // value to be filled in.
    Cell* Place(std::uint16_t row, std::uint16_t column, Kind kind) {
        Given(row, column);
        Progress();
        if (!m_cells)
            return nullptr;
        Cell& cell = m_cells->emplace_back();
        cell.row = row;
        cell.column = column;
        cell.kind = kind;
        return &cell;
    }
    void AddNumber(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double number) {
        if (!std::isfinite(number)) {
            Place(row, column, Kind::Empty);
            return;
        }
        Cell* cell = Place(row, column, xf < m_xfKinds.size() ? m_xfKinds[xf] : Kind::Number);
        if (!cell)
            return;
        if (cell->kind == Kind::Number) {
            cell->number = number;
            return;
        }
        // Day 60 of the 1900 system is a 29 February that was not; the days before it are one
        // day later than the count since 1899-12-30 says.
        const double days = m_g.date1904 ? number + 1462 : number < 60 ? number + 1 : number;
        if (number < 0 || days >= kDaysPast9999) {
            // No date has this number: it reads as the number it is, not as an empty cell.
            cell->kind = Kind::Number;
            cell->number = number;
        } else {
            cell->number = days;
        }
    }
    // A text is kept by its index: a shared string as it stands, a cell's own text added behind.
    void AddText(std::uint16_t row, std::uint16_t column, size_t shared, std::string own) {
        if (shared < m_g.shared ? m_g.strings[shared].empty() : own.empty()) {
            Place(row, column, Kind::Empty); // an empty text reads as an empty cell
            return;
        }
        Cell* cell = Place(row, column, Kind::Text);
        if (!cell)
            return;
        if (shared >= m_g.shared) {
            shared = m_g.strings.size();
            m_g.strings.push_back(std::move(own));
        }
        cell->text = static_cast<std::uint32_t>(shared);
    }
    void AddOwnText(std::uint16_t row, std::uint16_t column, std::string text) {
        AddText(row, column, SIZE_MAX, std::move(text));
    }

    Globals& m_g;
    const std::string& m_name;
    Records& m_records;
    size_t m_bytesLeft;
    std::vector<Cell>* m_cells;
    std::vector<Kind> m_xfKinds; // the kind of number each XF shows

    bool m_sized = false; // a size record has been read
    std::uint32_t m_firstRow = 0, m_endRow = 0;       // the rows it declares
    std::uint16_t m_firstColumn = 0, m_endColumn = 0; // and its columns

    // For each row whether it has a row record and whether it has cells outside the declared
    // rows (made at the first of either), and whether the sheet has any row record.
    static constexpr std::uint8_t kRowRecord = 1, kCellsOutside = 2;
    std::vector<std::uint8_t> m_rows;
    bool m_anyRowRecord = false;
    // The columns each row's record gives its cells (first, behind the last), and for each row
    // the least and the greatest column of its cells outside the declared columns (none: the
    // least above the greatest).
    std::vector<std::pair<std::uint16_t, std::uint16_t>> m_spans;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> m_outside;

    enum class Table { Before, Inside, After };
    Table m_table = Table::Before; // where the records read are against the cell table
    std::uint16_t m_ended = 0;     // the type of the record that ended it

    bool m_pendingString = false; // a formula's text result comes in the next STRING record
    std::uint16_t m_pendingRow = 0, m_pendingColumn = 0;

    // The positions given by cell records (a bit for each, made at the first).
    std::vector<std::uint64_t> m_given;
};

// Reads a worksheet's cells into `cells` (nullptr: checked and passed over).
void ReadSheet(const unsigned char* data, size_t size, Globals& g, const std::string& name,
               std::uint32_t offset, std::vector<Cell>* cells) {
    if (offset >= size)
        throw Damage{"工作表“" + name + "”在文件的末尾之外"};
    Records records(data, size, offset);
    Record r;
    if (!records.Next(&r) || r.type != kBof || r.size < 4 || U16(r.body + 2) != kWorksheet)
        throw Damage{"工作表“" + name + "”的位置上没有工作表"};
    SheetReader(g, name, records, size - offset, cells).Read();
    // A damaged length can carry the sheet's records over its end into the next sheet, whose
    // records then stand for the ones lost: a sheet ends before the next part listed begins.
    for (const std::uint32_t other : g.listed)
        if (other > offset && records.Position() > other)
            throw Damage{"工作表“" + name + "”的记录越过了下一张工作表的开头"};
}

// Every worksheet in the stream is one the global records list: a sheet's entry whose type was
// damaged would otherwise leave the sheet out without a word.
void CheckEverySheetIsListed(const unsigned char* data, size_t size, const Globals& g) {
    Records records(data, size, g.end);
    Record r;
    for (;;) {
        const size_t at = records.Position();
        if (records.PeekType() != kBof)
            return; // the end of the stream (or its padding)
        records.Next(&r);
        const bool worksheet = r.size >= 4 && U16(r.body + 2) == kWorksheet;
        // A worksheet must be listed as one: an entry of another kind would leave it out.
        if (worksheet && std::none_of(g.sheets.begin(), g.sheets.end(),
                                      [at](const auto& sheet) { return sheet.second == at; }))
            throw Damage{"工作簿中有一张没有登记的工作表"};
        // Past the part's end, and the parts embedded in it.
        for (int depth = 1; depth > 0;) {
            if (!records.Next(&r))
                return; // a part without its end is the sheet reader's to refuse
            depth += r.type == kBof ? 1 : r.type == kEof ? -1 : 0;
        }
    }
}

struct GsfUnref {
    void operator()(void* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <class T> using GsfPtr = std::unique_ptr<T, GsfUnref>;

} // namespace

Book ReadWorkbookStream(const unsigned char* data, size_t size, int sheet) {
    Book book;
    std::vector<unsigned char> plain;
    const Encryption encryption = DecryptWorkbook(data, size, plain);
    if (encryption == Encryption::Decrypted) {
        data = plain.data();
        size = plain.size();
    } else if (encryption != Encryption::None) {
        book.problem = encryption == Encryption::Password      ? Problem::Password
                       : encryption == Encryption::Unsupported ? Problem::Encrypted
                                                               : Problem::Damaged;
        if (encryption == Encryption::Damaged)
            book.detail = "工作簿的加密记录已损坏";
        return book;
    }
    try {
        Globals g;
        g.decrypted = encryption == Encryption::Decrypted;
        book.problem = ReadGlobals(data, size, g);
        if (book.problem != Problem::None)
            return book;
        CheckEverySheetIsListed(data, size, g);
        for (size_t i = 0; i < g.sheets.size(); ++i) {
            Sheet s;
            s.name = g.sheets[i].first;
            const bool keep = sheet == kAllSheets || (sheet >= 0 && static_cast<size_t>(sheet) == i);
            ReadSheet(data, size, g, s.name, g.sheets[i].second, keep ? &s.cells : nullptr);
            // Records come by row as a rule (each cell once, the reader made sure); otherwise the
            // cells are put in order.
            const auto before = [](const Cell& a, const Cell& b) {
                return a.row != b.row ? a.row < b.row : a.column < b.column;
            };
            if (!std::is_sorted(s.cells.begin(), s.cells.end(), before))
                std::sort(s.cells.begin(), s.cells.end(), before);
            s.cells.erase(std::remove_if(s.cells.begin(), s.cells.end(),
                                         [](const Cell& c) { return c.kind == Kind::Empty; }),
                          s.cells.end());
            book.sheets.push_back(std::move(s));
        }
        book.strings = std::move(g.strings);
    } catch (const Damage& damage) {
        book = Book{};
        book.problem = Problem::Damaged;
        book.detail = damage.detail;
    }
    return book;
}

Book ReadWorkbookFile(const unsigned char* data, size_t size, int sheet) {
    Book book;
    book.problem = Problem::NotWorkbook;
    GsfPtr<GsfInput> input(gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE));
    if (!input)
        return book;
    GError* error = nullptr;
    GsfPtr<GsfInfile> file(gsf_infile_msole_new(input.get(), &error));
    if (error)
        g_error_free(error);
    if (!file)
        return book;
    // Stream names compare without regard to case; "Book" holds a workbook of Excel 95 or earlier.
    GsfPtr<GsfInput> stream;
    for (int i = 0; i < gsf_infile_num_children(file.get()) && !stream; ++i) {
        const char* name = gsf_infile_name_by_index(file.get(), i);
        if (!name)
            continue;
        if (strcasecmp(name, "Workbook") == 0) {
            stream.reset(gsf_infile_child_by_index(file.get(), i));
            if (!stream) {
                book.problem = Problem::Damaged;
                book.detail = "工作簿的数据流读不出来";
                return book;
            }
        } else if (strcasecmp(name, "Book") == 0) {
            book.problem = Problem::OldFormat;
        }
    }
    if (!stream)
        return book;
    const gsf_off_t length = gsf_input_size(stream.get());
    if (length < 0 || static_cast<std::uint64_t>(length) > size) {
        book.problem = Problem::Damaged;
        book.detail = "工作簿的数据流比文件还长";
        return book;
    }
    // Room for the stream, not cleared first: every byte of it is read into it.
    const size_t streamSize = static_cast<size_t>(length);
    const std::unique_ptr<unsigned char[]> bytes(new unsigned char[std::max<size_t>(streamSize, 1)]);
    if (streamSize > 0 && !gsf_input_read(stream.get(), streamSize, bytes.get())) {
        book.problem = Problem::Damaged;
        book.detail = "工作簿的数据流读不完整";
        return book;
    }
    return ReadWorkbookStream(bytes.get(), streamSize, sheet);
}

void SetReadProgress(void (*step)(void* context), void* context) {
    g_progressStep = step;
    g_progressContext = context;
    g_progressCount = 0;
}

void PrepareCompoundFiles() {
    static const bool prepared = [] {
        gsf_init();
        // The classes stay referenced, so that a child only makes instances of them.
        for (GType type : {GSF_INPUT_MEMORY_TYPE, GSF_INFILE_MSOLE_TYPE})
            g_type_class_ref(type);
        return true;
    }();
    (void)prepared;
}

} // namespace importsrc::biff
