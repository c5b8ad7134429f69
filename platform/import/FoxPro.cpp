// FoxPro and dBase tables (.dbf) through shapelib. shapelib reads the header, the field list and
// the records; the binary field types of Visual FoxPro (I, B, Y, T), its null flags and the code
// page mark are decoded here. Memo and general fields live in another file and read as NULL;
// deleted records are left out, as the FoxPro driver leaves them out.
//
// The header's record count must agree with the file's size, or the table would be read short
// (or long) without a word. A number field whose text is no number ("*****", which dBase and
// FoxPro write for a number too wide for its field, or a damaged digit) keeps its text and is an
// error cell, so that no import takes it for an empty cell.
#include "platform/import/Reader.h"
#include "platform/import/Source.h"

#include "platform/text/Gbk.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <shapefil.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

namespace importsrc {
namespace {

const QString& KindName() {
    static const QString name = QStringLiteral("FoxPro表");
    return name;
}

constexpr unsigned char kSystemField = 0x01; // a field FoxPro keeps for itself, hidden from the user
constexpr unsigned char kFieldNullable = 0x02;
constexpr char kDeletedMark = '*';
constexpr char kLiveMark = ' ';
constexpr char kEndOfFile = 0x1A;
constexpr qint64 kDatabaseLink = 263; // Visual FoxPro's bytes behind the field descriptors

struct DbfCloser {
    void operator()(DBFHandle dbf) const { DBFClose(dbf); }
};

// shapelib's own words on a bad file add nothing to the error the reader throws.
void QuietError(const char*) {}

// shapelib opens the file under its base name with ".dbf" or ".DBF" behind, which misses a file
// named with another case ("stu.Dbf"); the table's own file is opened instead, and the code page
// file beside it is not looked for (the header's mark decides).
thread_local QByteArray t_openingPath;

SAFile OpenTableFile(const char* name, const char* access) {
    const qsizetype n = static_cast<qsizetype>(std::strlen(name));
    if (n < 4 || QByteArray(name + n - 4).toLower() != ".dbf")
        return nullptr;
    return reinterpret_cast<SAFile>(std::fopen(t_openingPath.constData(), access));
}

// The code page of the header's language driver mark. Tables written without a mark, and the
// marks of code page 936, are read as 936; so is a mark this list does not know.
const char* CodePageOfMark(int mark) {
    switch (mark) {
    case 0x01:
        return "IBM437";
    case 0x02:
        return "IBM850";
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59:
        return "windows-1252";
    case 0x64:
        return "IBM852";
    case 0x65:
        return "IBM866";
    case 0x78:
        return "Big5";
    case 0x79:
        return "windows-949";
    case 0x7B:
        return "Shift_JIS";
    case 0x7C:
        return "windows-874";
    case 0x7D:
        return "windows-1255";
    case 0x7E:
        return "windows-1256";
    case 0xC8:
        return "windows-1250";
    case 0xC9:
        return "windows-1251";
    case 0xCA:
        return "windows-1254";
    case 0xCB:
        return "windows-1253";
    default:
        return nullptr;
    }
}

class TextDecoder {
public:
    explicit TextDecoder(int mark) {
        if (const char* page = CodePageOfMark(mark)) {
            QStringDecoder decoder(page);
            if (decoder.isValid())
                m_decoder.emplace(std::move(decoder));
        }
    }
    QString operator()(const char* bytes, int length) {
        if (!m_decoder)
            return text::FromGbk(bytes, length);
        return m_decoder->decode(QByteArrayView(bytes, length));
    }

private:
    std::optional<QStringDecoder> m_decoder;
};

std::int32_t Int32At(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

std::int64_t Int64At(const char* p) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(Int32At(p))) |
                                     static_cast<std::uint64_t>(static_cast<std::uint32_t>(Int32At(p + 4)))
                                         << 32);
}

double DoubleAt(const char* p) {
    const std::uint64_t bits = static_cast<std::uint64_t>(Int64At(p));
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

QByteArray Trimmed(const char* p, int width) {
    int end = width;
    while (end > 0 && (p[end - 1] == ' ' || p[end - 1] == '\0'))
        --end;
    return QByteArray(p, end);
}

struct Field {
    char type;
    int offset;
    int width;
    int nullBit = -1;   // bit of the null flags that marks a NULL, or none
    int lengthBit = -1; // bit that marks a varchar shorter than its width, or none
};

class FoxProReader : public Reader {
public:
    explicit FoxProReader(const QString& path) : m_path(path), m_table(QFileInfo(path).fileName()) {
        CheckReadable(path, KindName());
        SAHooks hooks;
        SASetupDefaultHooks(&hooks);
        hooks.Error = QuietError;
        hooks.FOpen = OpenTableFile;
        t_openingPath = QFile::encodeName(path);
        m_dbf.reset(DBFOpenLL(t_openingPath.constData(), "rb", &hooks));
        t_openingPath.clear();
        if (!m_dbf || m_dbf->nRecordLength <= 0 || m_dbf->nFields < 0 || m_dbf->nRecords < 0)
            Fail(QStringLiteral("文件已损坏，或不是FoxPro表（.dbf）。"));
        CheckRecordCount();
    }

    QStringList Tables() const override { return {m_table}; }

    // Each record goes to the sink as it is read.
    void Stream(const QString&, TableSink& sink, ErrorCells* errors) const override {
        DBFHandle dbf = m_dbf.get();
        TextDecoder decode(dbf->iLanguageDriver);
        SourceTable out; // its names and types
        std::vector<Field> fields;
        int nullFlagsOffset = -1;
        int nullFlagsWidth = 0;
        int bit = 0;
        long long widths = 1; // the deletion mark, then each field's width
        for (int i = 0; i < dbf->nFields; ++i) {
            const unsigned char* descriptor = reinterpret_cast<const unsigned char*>(dbf->pszHeader) +
                                              static_cast<size_t>(i) * XBASE_FLDHDR_SZ;
            Field f{static_cast<char>(dbf->pachFieldType[i]), dbf->panFieldOffset[i], dbf->panFieldSize[i]};
            // A type letter no writer uses, or in Visual FoxPro's field flags a hidden field other
            // than the null flags (its one hidden field), is a damaged descriptor: read on, the null
            // flags' bytes would become a column and every NULL a value.
            const bool hidden = m_visual && (descriptor[18] & kSystemField);
            if (f.offset < 1 || f.width < 0 || f.offset + f.width > dbf->nRecordLength ||
                !KnownType(f.type) || (hidden && f.type != '0') || !WidthFits(f.type, f.width))
                Fail(QStringLiteral("字段说明已损坏。"));
            widths += f.width;
            if (f.type == '0') { // the hidden null flags of Visual FoxPro
                nullFlagsOffset = f.offset;
                nullFlagsWidth = f.width;
                continue;
            }
            if (descriptor[18] & kFieldNullable)
                f.nullBit = bit++;
            if (f.type == 'V' || f.type == 'Q')
                f.lengthBit = bit++;
            fields.push_back(f);
            out.names << decode(reinterpret_cast<const char*>(descriptor),
                                static_cast<int>(strnlen(reinterpret_cast<const char*>(descriptor),
                                                         XBASE_FLDNAME_LEN_READ)))
                             .trimmed();
            out.types << QString::fromLatin1(TypeOf(f.type, f.width));
        }
        // A record is its deletion mark and its fields, nothing more: a record length that says
        // otherwise is a damaged header, which would cut the records at the wrong places.
        if (widths != dbf->nRecordLength)
            Fail(QStringLiteral("字段说明已损坏。"));

        sink.Columns(out.names, out.types);
        errors->clear();
        std::vector<db::Variant> row;
        int rowNumber = 0; // of the rows handed on, deleted records left out
        for (int r = 0; r < dbf->nRecords; ++r) {
            const char* record = DBFReadTuple(dbf, r);
            if (!record)
                Fail(QStringLiteral("第%1条记录读不出来。").arg(r + 1));
            // A record is marked deleted or not; any other mark is a damaged record, which might
            // be a deleted one.
            if (record[0] != kDeletedMark && record[0] != kLiveMark)
                Fail(QStringLiteral("第%1条记录已损坏。").arg(r + 1));
            if (record[0] == kDeletedMark)
                continue;
            ++rowNumber;
            row.clear();
            row.reserve(fields.size());
            for (const Field& f : fields) {
                const auto flag = [&](int n) {
                    return n >= 0 && nullFlagsOffset > 0 && n / 8 < nullFlagsWidth &&
                           (static_cast<unsigned char>(record[nullFlagsOffset + n / 8]) >> (n % 8) & 1);
                };
                if (flag(f.nullBit)) {
                    row.emplace_back();
                    continue;
                }
                int width = f.width;
                if (flag(f.lengthBit) && width > 0)
                    width =
                        std::min(width - 1,
                                 static_cast<int>(static_cast<unsigned char>(record[f.offset + width - 1])));
                bool unreadable = false;
                row.push_back(Value(f.type, record + f.offset, width, decode, &unreadable));
                if (unreadable)
                    errors->insert({rowNumber, static_cast<int>(row.size()) - 1});
            }
            sink.Row(row);
        }
    }

private:
    [[noreturn]] void Fail(const QString& reason) const {
        throw UnreadableSource(m_path, KindName(), reason);
    }

    // The file holds the header, the records the header counts and, as FoxPro writes it, an
    // end-of-file mark: a count that says otherwise (a damaged header, a file cut short or
    // joined to something) would read some records as none, or bytes as records. The header's
    // own bytes are read, shapelib keeps only 31 bits of the count.
    void CheckRecordCount() {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("文件不能打开。"));
        const QByteArray header = file.read(12);
        const qint64 size = file.size();
        if (header.size() < 12)
            Fail(QStringLiteral("文件已损坏，或不是FoxPro表（.dbf）。"));
        const auto byte = [&header](int i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(header[i]));
        };
        const std::uint32_t count = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
        const qint64 headerLength = byte(8) | byte(9) << 8;
        const qint64 recordLength = byte(10) | byte(11) << 8;
        const qint64 records = headerLength + static_cast<qint64>(count) * recordLength;
        bool agrees = count == static_cast<std::uint32_t>(m_dbf->nRecords) && size == records;
        if (!agrees && count == static_cast<std::uint32_t>(m_dbf->nRecords) && size == records + 1) {
            char last = 0;
            agrees = file.seek(records) && file.getChar(&last) && last == kEndOfFile;
        }
        if (!agrees)
            Fail(QStringLiteral("文件已损坏，文件头记有%1条记录，与文件的大小不符。").arg(count));
        // The header is its 32 bytes, a descriptor of 32 per field and their end mark; Visual
        // FoxPro adds its 263 bytes of database link. A longer header has taken in records.
        const qint64 fieldsEnd = 32 + 32 * static_cast<qint64>(m_dbf->nFields) + 1;
        const auto version = static_cast<unsigned char>(header[0]);
        m_visual = version >= 0x30 && version <= 0x32;
        if (m_visual ? headerLength != fieldsEnd + kDatabaseLink
                     : headerLength < fieldsEnd || headerLength > fieldsEnd + kDatabaseLink)
            Fail(QStringLiteral("文件头已损坏。"));
    }

    // The type letters of dBase's and FoxPro's fields: characters, numbers, floats, dates, logicals,
    // memos, general and picture fields, and those of Visual FoxPro (currency, date-times, doubles,
    // integers, varchars, varbinaries, blobs and the hidden null flags).
    static bool KnownType(char type) {
        return type != '\0' && std::strchr("CNFDLMGPYTBIVQW0", type) != nullptr;
    }

    // The binary fields of Visual FoxPro have their widths; a field of another width is a
    // damaged field list, whose every value would read as empty.
    static bool WidthFits(char type, int width) {
        switch (type) {
        case 'I':
            return width == 4;
        case 'Y':
        case 'T':
            return width == 8;
        default:
            return true;
        }
    }

    static const char* TypeOf(char type, int width) {
        switch (type) {
        case 'C':
        case 'V':
            return kText;
        case 'N':
        case 'F':
            return kNumber;
        case 'B': // a double in Visual FoxPro; in dBase a binary memo field, whose data is elsewhere
            return width == 8 ? kNumber : kBlob;
        case 'I':
            return kInteger;
        case 'D':
            return kDate;
        case 'T':
            return kDateTime;
        case 'Y':
            return kCurrency;
        case 'L':
            return kBoolean;
        case 'M':
            return kLongText;
        default: // general, picture, varbinary and the rest
            return kBlob;
        }
    }

    // A field's value; `unreadable` is set for a number field whose text is no number, which
    // keeps its text.
    static db::Variant Value(char type, const char* p, int width, TextDecoder& decode, bool* unreadable) {
        switch (type) {
        case 'C':
        case 'V': {
            // Character fields are padded with blanks; the padding is not part of the text.
            const QByteArray bytes = Trimmed(p, width);
            return decode(bytes.constData(), static_cast<int>(bytes.size()));
        }
        case 'N':
        case 'F':
            return NumberValue(p, width, unreadable);
        case 'D': {
            const QDate d =
                QDate::fromString(QString::fromLatin1(p, width).trimmed(), QStringLiteral("yyyyMMdd"));
            return d.isValid() ? db::Variant(d.toString(QStringLiteral("yyyy-MM-dd"))) : db::Variant();
        }
        case 'L':
            if (width < 1)
                return {};
            switch (p[0]) {
            case 'T':
            case 't':
            case 'Y':
            case 'y':
                return 1;
            case 'F':
            case 'f':
            case 'N':
            case 'n':
                return 0;
            default:
                return {};
            }
        case 'I':
            return width == 4 ? db::Variant(static_cast<long long>(Int32At(p))) : db::Variant();
        case 'B':
            return width == 8 ? db::Variant(DoubleAt(p)) : db::Variant();
        case 'Y':
            return width == 8 ? db::Variant(static_cast<double>(Int64At(p)) / 10000.0) : db::Variant();
        case 'T': {
            if (width != 8)
                return {};
            const std::int32_t day = Int32At(p);
            const std::int32_t ms = Int32At(p + 4);
            if (day <= 0) // blank
                return {};
            const QDate d = QDate::fromJulianDay(day);
            const QString text =
                d.isValid() ? DateTimeText(d.year(), d.month(), d.day(), std::max(ms, 0)) : QString();
            return text.isEmpty() ? db::Variant() : db::Variant(text);
        }
        default: // memo, general and binary fields
            return {};
        }
    }

    // A number field: blanks (or the NULs some writers leave) are an empty field; otherwise the
    // text must be a number as dBase writes it (a sign, digits, a point, an exponent). Anything
    // else keeps its text, each control character shown as "?".
    static db::Variant NumberValue(const char* p, int width, bool* unreadable) {
        QString text;
        text.reserve(width);
        for (int i = 0; i < width; ++i) {
            const auto c = static_cast<unsigned char>(p[i]);
            text += c == 0 ? QChar(u' ') : c < 0x20 || c == 0x7F ? QChar(u'?') : QChar(c);
        }
        text = text.trimmed();
        if (text.isEmpty())
            return {};
        static const QRegularExpression form(
            QStringLiteral("^[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
        double v = 0;
        if (form.match(text).hasMatch() && ParseNumber(text, &v))
            return v;
        *unreadable = true;
        return text;
    }

    QString m_path;
    QString m_table;
    bool m_visual = false; // a Visual FoxPro table, whose descriptors hold field flags
    std::unique_ptr<DBFInfo, DbfCloser> m_dbf;
};

} // namespace

std::unique_ptr<Reader> OpenFoxPro(const QString& path) {
    return std::make_unique<FoxProReader>(path);
}

} // namespace importsrc
