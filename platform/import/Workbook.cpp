// Excel 97-2003 workbooks (.xls). Each worksheet is a table named after it with a "$" behind; its
// first row holds the column names and the rows below it the data, down to the last row that
// holds a value.
//
// The file is read in a child process (Child.h) by the reader of Biff.h, which sends the cells;
// the columns' types and the values' forms are made here.
#include "platform/import/Biff.h"
#include "platform/import/Child.h"
#include "platform/import/Reader.h"
#include "platform/import/Source.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace importsrc {
namespace {

const QString& KindName() {
    static const QString name = QStringLiteral("Excel工作簿");
    return name;
}

// A column's type is the type most of its first rows hold, as the workbook driver guesses it.
constexpr unsigned kTypeGuessRows = 8;

// Why the child could not read the file: the problems of Biff.h, and one of its own.
constexpr std::uint32_t kUnreadableFile = 100;

// ---- the child -------------------------------------------------------------------------------

// Messages (besides 'E', 'P' and 'D', Child.h):
//   'T' str                                a worksheet
//   'S' str                                the next of the book's texts (biff::Book::strings),
//                                          all of them before the sheet's shape
//   'G' u32 columns, columns × byte        the sheet's shape: its number of columns, and for each
//                                          column whether a cell below the first row holds a number
//   'R' u32 row, u32 count, count × cell   cells of one row, by column, the rows in order (a row
//                                          of many cells may come in several messages): each
//                                          cell a u16 column, the kind byte of biff::Kind and
//                                          8 bytes, a u32 index into the texts for a text (and 4
//                                          zero bytes), or else an f64
// A text is sent once however many cells hold it, and every cell takes the same room, so that
// the program knows a message is whole before it takes any of it.
constexpr size_t kCellBytes = 11;
constexpr size_t kRowHeadBytes = 8;

// Whether a number formatted as a date or time reads as one (the reader gives the others as
// numbers).
bool DateInRange(double days) {
    return days >= 0 && days < biff::kDaysPast9999;
}

// How often a child reading a large file says it goes on.
constexpr long long kProgressNs = 200'000'000;

// Sends a progress message when a while has passed since the last one (called by the reader of
// Biff.h as it goes).
void SendProgress(void* context) {
    static timespec last{};
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long passed = (now.tv_sec - last.tv_sec) * 1'000'000'000LL + (now.tv_nsec - last.tv_nsec);
    if (passed < kProgressNs)
        return;
    last = now;
    static_cast<ChildWriter*>(context)->Progress();
}

// The file's bytes: mapped as they are on disk (nothing copied, nothing to clear), or read
// whole when the file cannot be mapped. A file cut short while it is mapped ends the child
// (SIGBUS), which refuses it as damaged.
class FileBytes {
public:
    bool Open(const char* path) {
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                m_map = static_cast<const unsigned char*>(map);
                m_size = static_cast<size_t>(info.st_size);
                close(fd);
                return true;
            }
        }
        const bool read = ReadAll(fd);
        close(fd);
        return read;
    }
    ~FileBytes() {
        if (m_map)
            munmap(const_cast<unsigned char*>(m_map), m_size);
    }
    const unsigned char* Data() const {
        return m_map ? m_map : reinterpret_cast<const unsigned char*>(m_read.data());
    }
    size_t Size() const { return m_map ? m_size : m_read.size(); }

private:
    bool ReadAll(int fd) {
        char chunk[65536];
        for (;;) {
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            m_read.append(chunk, static_cast<size_t>(n));
        }
    }

    const unsigned char* m_map = nullptr;
    size_t m_size = 0;
    std::string m_read;
};

// Writes `v` little-endian at `p`; returns the place behind it.
char* PutU32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        *p++ = static_cast<char>(v >> (8 * i) & 0xFF);
    return p;
}

std::uint32_t GetU32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | static_cast<std::uint32_t>(b[1]) << 8 | static_cast<std::uint32_t>(b[2]) << 16 |
           static_cast<std::uint32_t>(b[3]) << 24;
}

// Reads the workbook, or says why not and returns false.
bool ReadInChild(const char* path, int sheet, ChildWriter& out, biff::Book* book) {
    FileBytes bytes;
    if (!bytes.Open(path)) {
        out.Error(kUnreadableFile);
        return false;
    }
    biff::SetReadProgress(SendProgress, &out);
    *book = biff::ReadWorkbookFile(bytes.Data(), bytes.Size(), sheet);
    biff::SetReadProgress(nullptr, nullptr);
    if (book->problem != biff::Problem::None) {
        out.Error(static_cast<std::uint32_t>(book->problem), book->detail);
        return false;
    }
    return true;
}

void ListSheetsInChild(const char* path, ChildWriter& out) {
    biff::Book book;
    if (!ReadInChild(path, biff::kNoSheet, out, &book))
        return;
    for (const biff::Sheet& sheet : book.sheets) {
        out.Tag('T');
        out.Str(sheet.name);
    }
    out.Done();
}

void SendShape(const biff::Sheet& sheet, ChildWriter& out) {
    size_t columns = 0;
    for (const biff::Cell& cell : sheet.cells)
        columns = std::max(columns, static_cast<size_t>(cell.column) + 1);
    std::vector<char> numbers(columns, 0);
    for (const biff::Cell& cell : sheet.cells)
        if (cell.row > 0 && cell.kind == biff::Kind::Number)
            numbers[cell.column] = 1;
    out.Tag('G');
    out.U32(static_cast<std::uint32_t>(columns));
    for (char n : numbers)
        out.Tag(n);
}

void ReadSheetInChild(const char* path, int sheet, ChildWriter& out) {
    biff::Book book;
    if (!ReadInChild(path, sheet, out, &book))
        return;
    if (sheet >= static_cast<int>(book.sheets.size())) {
        out.Error(static_cast<std::uint32_t>(biff::Problem::Damaged));
        return;
    }
    for (const std::string& text : book.strings) {
        out.Tag('S');
        out.Str(text);
        out.Flush(false);
    }
    const biff::Sheet& cells = book.sheets[static_cast<size_t>(sheet)];
    SendShape(cells, out);
    const std::vector<biff::Cell>& all = cells.cells;
    for (size_t at = 0; at < all.size();) {
        size_t end = at + 1;
        while (end < all.size() && all[end].row == all[at].row && end - at < biff::kMaxColumns)
            ++end;
        char* p = out.Reserve(1 + kRowHeadBytes + (end - at) * kCellBytes);
        *p++ = 'R';
        p = PutU32(p, all[at].row);
        p = PutU32(p, static_cast<std::uint32_t>(end - at));
        for (; at < end; ++at) {
            const biff::Cell& cell = all[at];
            *p++ = static_cast<char>(cell.column & 0xFF);
            *p++ = static_cast<char>(cell.column >> 8);
            *p++ = static_cast<char>(cell.kind);
            if (cell.kind == biff::Kind::Text) {
                p = PutU32(p, cell.text);
                p = PutU32(p, 0);
            } else {
                std::memcpy(p, &cell.number, 8);
                p += 8;
            }
        }
        out.Flush(false);
    }
    out.Done();
}

// ---- the program's side ----------------------------------------------------------------------

enum class CellKind { Null, Number, Text, Date };

// A text cell names its text among the book's texts; a date cell holds its text.
struct Cell {
    CellKind kind = CellKind::Null;
    std::uint32_t text = 0; // Text: the index of its text
    double number = 0;
    QString date;
};

// A number formatted as a date or time as text: "2024-05-06", "2024-05-06 07:08:09" (the date
// alone at midnight), "07:08:09"; empty for days before 1899-12-30 or past 9999.
QString DateText(biff::Kind kind, double days) {
    if (!DateInRange(days))
        return {};
    double whole = std::floor(days);
    long long ms = std::llround((days - whole) * 86400.0) * 1000;
    if (ms >= 86400000LL) {
        whole += 1;
        ms -= 86400000LL;
    }
    if (kind == biff::Kind::Time)
        return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)).toString(QStringLiteral("HH:mm:ss"));
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    return DateTimeText(date.year(), date.month(), date.day(), kind == biff::Kind::DateTime ? ms : 0);
}

// A cell of another type than its column's keeps its value, so that an import sees what the
// file holds (a word in a column of marks is refused, not taken for an empty cell). A number
// stays a number in every column (a 学号 typed without its apostrophe must still be seen as a
// number), whole numbers as integers in a column of texts, as a column of numbers stores them;
// a text that reads as a number becomes one in a column of numbers, and any other text stays
// text, in a column of dates too; a date stays its text. `text` is the cell's text (a text's or
// a date's).
db::Variant Convert(const Cell& cell, const QString& text, CellKind column) {
    switch (cell.kind) {
    case CellKind::Null:
        return {};
    case CellKind::Number:
        if (column == CellKind::Text && std::floor(cell.number) == cell.number &&
            std::fabs(cell.number) < 9.0e15)
            return db::Variant(static_cast<long long>(cell.number));
        return cell.number;
    case CellKind::Text: {
        double number = 0;
        if (column == CellKind::Number && ParseNumber(text, &number))
            return number;
        return text;
    }
    case CellKind::Date:
        return text;
    }
    return {};
}

// The rows of a sheet made from its cells as the child sends them, and handed on row by row:
// only the first rows (the header and the rows the types are guessed from) and the row being
// filled are held, and each text once.
class SheetRows {
public:
    SheetRows(TableSink& sink, ErrorCells& errors, std::function<void()> damaged)
        : m_sink(sink), m_errors(errors), m_damaged(std::move(damaged)) {}

    // One message of the child; false when it is not complete yet.
    bool Take(char tag, ChildMessages& in) {
        switch (tag) {
        case 'S':
            return TakeText(in);
        case 'G':
            return TakeShape(in);
        case 'R':
            return TakeRow(in);
        default:
            Damaged();
        }
    }

    // Hands on the rows still held; a sheet without cells gives a table without columns.
    void Finish() {
        if (!m_shaped)
            Damaged();
        if (!m_decided)
            Decide();
        HandOnBefore(m_first + m_pending.size());
    }

private:
    [[noreturn]] void Damaged() const {
        m_damaged();
        std::abort(); // m_damaged throws
    }

    bool TakeText(ChildMessages& in) {
        QByteArray text;
        if (m_shaped)
            Damaged();
        if (!in.Str(&text))
            return false;
        m_texts.push_back(QString::fromUtf8(text));
        return true;
    }

    bool TakeShape(ChildMessages& in) {
        const qsizetype start = in.Position();
        std::uint32_t columns = 0;
        if (m_shaped)
            Damaged();
        if (!in.U32(&columns))
            return false;
        if (columns > biff::kMaxColumns)
            Damaged();
        std::vector<bool> numbers(columns);
        for (std::uint32_t c = 0; c < columns; ++c) {
            char n = 0;
            if (!in.Byte(&n)) {
                in.Rewind(start);
                return false;
            }
            numbers[c] = n != 0;
        }
        m_columns = columns;
        m_numbers = std::move(numbers);
        m_shaped = true;
        return true;
    }

    bool TakeRow(ChildMessages& in) {
        std::uint32_t row = 0, count = 0;
        if (!m_shaped)
            Damaged();
        if (!in.U32(&row) || !in.U32(&count))
            return false;
        if (row >= biff::kMaxRows || count > biff::kMaxColumns)
            Damaged();
        if (row < m_first + m_pending.size() - (m_pending.empty() ? 0 : 1))
            Damaged(); // cells come by row
        const char* p = nullptr;
        if (!in.Bytes(&p, count * kCellBytes))
            return false;
        // The row, once a cell makes its place a row of the table.
        std::vector<Cell>* cells = nullptr;
        for (std::uint32_t i = 0; i < count; ++i, p += kCellBytes) {
            const std::uint32_t column = static_cast<unsigned char>(p[0]) |
                                         static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8;
            const auto k = static_cast<biff::Kind>(p[2]);
            if (column >= biff::kMaxColumns)
                Damaged();
            Cell cell;
            if (k == biff::Kind::Text) {
                cell.text = GetU32(p + 3);
                if (cell.text >= m_texts.size())
                    Damaged();
                cell.kind = m_texts[cell.text].isEmpty() ? CellKind::Null : CellKind::Text;
            } else {
                std::memcpy(&cell.number, p + 3, 8);
                if (k == biff::Kind::Error) {
                    // Empty, and noted; its row is a row of the table all the same.
                    if (column >= m_columns)
                        Damaged();
                    if (row > 0) // an error in the header row leaves the column without a name
                        m_errors.insert({static_cast<int>(row), static_cast<int>(column)});
                    if (!cells)
                        cells = &RowAt(row);
                    continue;
                }
                if (k == biff::Kind::Number) {
                    cell.kind = CellKind::Number;
                } else {
                    // A number with no date keeps its value rather than reading as empty.
                    cell.date = DateText(k, cell.number);
                    cell.kind = cell.date.isEmpty() ? CellKind::Number : CellKind::Date;
                }
            }
            if (cell.kind == CellKind::Null)
                continue;
            if (column >= m_columns)
                Damaged();
            if (!cells)
                cells = &RowAt(row);
            if (cells->size() <= column) {
                // A row is as a rule as long as the rows before it.
                if (cells->empty())
                    cells->reserve(m_columns);
                cells->resize(column + 1);
            }
            (*cells)[column] = std::move(cell);
        }
        return true;
    }

    const QString& TextOf(const Cell& cell) const {
        return cell.kind == CellKind::Text ? m_texts[cell.text] : cell.date;
    }

    // The row `row`, the rows before it made (empty where the sheet has none) and those that
    // are complete handed on.
    std::vector<Cell>& RowAt(std::uint32_t row) {
        if (!m_decided && row > kTypeGuessRows)
            Decide();
        if (m_decided)
            HandOnBefore(row);
        while (m_first + m_pending.size() <= row)
            m_pending.emplace_back();
        return m_pending[row - m_first];
    }

    const Cell& At(size_t r, size_t c) const {
        static const Cell empty;
        return r < m_pending.size() && c < m_pending[r].size() ? m_pending[r][c] : empty;
    }

    // The columns' names from the first row and their types from the rows below it (all still
    // held), handed to the sink. Rows not held are empty: a sheet whose first cell lies below
    // the rows the types are guessed from has a header without names and columns of texts.
    void Decide() {
        m_decided = true;
        QStringList names, types;
        for (size_t c = 0; c < m_columns; ++c) {
            const Cell& header = At(0, c);
            names << (header.kind == CellKind::Number ? NumberText(header.number) : TextOf(header));
        }
        m_kinds.assign(m_columns, CellKind::Text);
        for (size_t c = 0; c < m_columns; ++c) {
            std::array<int, 4> counts{};
            for (size_t r = 1; r < m_pending.size() && r <= kTypeGuessRows; ++r)
                ++counts[static_cast<size_t>(At(r, c).kind)];
            // Most cells decide; a tie goes to numbers, then dates; no cell at all makes text.
            CellKind kind = CellKind::Text;
            int best = 0;
            for (CellKind k : {CellKind::Number, CellKind::Date, CellKind::Text}) {
                if (counts[static_cast<size_t>(k)] > best) {
                    best = counts[static_cast<size_t>(k)];
                    kind = k;
                }
            }
            m_kinds[c] = kind;
            // A column of texts with numbers among them keeps each cell's own kind.
            types << QString::fromLatin1(kind == CellKind::Number ? kNumber
                                         : kind == CellKind::Date ? kDateTime
                                         : m_numbers[c]           ? kMixed
                                                                  : kText);
        }
        m_sink.Columns(names, types);
    }

    // Hands on the rows held before `row` (the first row is the header, not a row of the table).
    void HandOnBefore(size_t row) {
        size_t done = 0;
        for (; done < m_pending.size() && m_first + done < row; ++done) {
            if (m_first + done == 0)
                continue;
            const std::vector<Cell>& cells = m_pending[done];
            m_values.clear();
            m_values.reserve(cells.size());
            for (size_t c = 0; c < cells.size(); ++c)
                m_values.push_back(Convert(cells[c], TextOf(cells[c]), m_kinds[c]));
            m_sink.Row(m_values);
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(done));
        m_first += done;
    }

    TableSink& m_sink;
    ErrorCells& m_errors;
    std::function<void()> m_damaged;
    std::vector<QString> m_texts;
    bool m_shaped = false;
    bool m_decided = false;
    size_t m_columns = 0;
    std::vector<bool> m_numbers;
    std::vector<CellKind> m_kinds;
    // The rows held, the first of them row m_first of the sheet.
    std::vector<std::vector<Cell>> m_pending;
    size_t m_first = 0;
    std::vector<db::Variant> m_values;
};

class WorkbookReader : public Reader {
public:
    explicit WorkbookReader(const QString& path) : m_path(path), m_encodedPath(QFile::encodeName(path)) {
        CheckReadable(path, KindName());
        const std::string file = m_encodedPath.toStdString();
        Run([file](ChildWriter& out) { ListSheetsInChild(file.c_str(), out); },
            [this](char tag, ChildMessages& in) {
                QByteArray name;
                if (tag != 'T')
                    FailDamaged();
                if (!in.Str(&name))
                    return false;
                m_sheets << QString::fromUtf8(name);
                return true;
            });
    }

    QStringList Tables() const override {
        QStringList tables;
        for (const QString& sheet : m_sheets)
            tables << sheet + QLatin1Char('$');
        return tables;
    }

    void Stream(const QString& table, TableSink& sink, ErrorCells* errors) const override {
        const qsizetype sheet = Tables().indexOf(table);
        if (sheet < 0)
            Fail(QStringLiteral("工作表“%1”读不出来。").arg(table));
        errors->clear();
        SheetRows rows(sink, *errors, [this] { FailDamaged(); });
        const std::string file = m_encodedPath.toStdString();
        const int index = static_cast<int>(sheet);
        Run([file, index](ChildWriter& out) { ReadSheetInChild(file.c_str(), index, out); },
            [&rows](char tag, ChildMessages& in) { return rows.Take(tag, in); });
        rows.Finish();
    }

private:
    [[noreturn]] void Fail(const QString& reason) const {
        throw UnreadableSource(m_path, KindName(), reason);
    }
    [[noreturn]] void FailDamaged() const { Fail(QStringLiteral("文件已损坏，读不出来。")); }

    // Runs the child; a child that did not finish refuses the file.
    void Run(const std::function<void(ChildWriter&)>& work,
             const std::function<bool(char, ChildMessages&)>& take) const {
        biff::PrepareCompoundFiles();
        const ChildEnd end = RunInChild(work, take);
        if (end.how == ChildEnd::How::Done)
            return;
        if (end.how == ChildEnd::How::OutOfMemory)
            Fail(QStringLiteral("工作簿太大（%1），无法读取。").arg(FileSizeText(m_path)));
        if (end.how != ChildEnd::How::Reported)
            FailDamaged(); // what the child wrote to its error output is in the log
        switch (static_cast<biff::Problem>(end.reason)) {
        case biff::Problem::NotWorkbook:
            Fail(QStringLiteral("文件已损坏，或不是Excel工作簿（.xls）。"));
        case biff::Problem::Password:
            Fail(QStringLiteral("工作簿设有打开密码，请在电子表格程序中去掉密码另存后再导入。"));
        case biff::Problem::Encrypted:
            Fail(QStringLiteral("工作簿的加密方式不受支持，请在电子表格程序中去掉加密另存后再导入。"));
        case biff::Problem::OldFormat:
            Fail(QStringLiteral("这是Excel 95或更早版本的工作簿，请先在Excel中另存为Excel 97-2003工作簿。"));
        default:
            if (end.reason == kUnreadableFile)
                Fail(QStringLiteral("文件不能打开。"));
            if (end.detail.isEmpty())
                FailDamaged();
            Fail(QStringLiteral("文件已损坏：%1。").arg(end.detail));
        }
    }

    QString m_path;
    QByteArray m_encodedPath;
    QStringList m_sheets;
};

} // namespace

std::unique_ptr<Reader> OpenWorkbook(const QString& path) {
    return std::make_unique<WorkbookReader>(path);
}

} // namespace importsrc
