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
#include <QTime>

#include <array>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
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

// Messages (besides 'E' and 'D', Child.h):
//   'T' str                                a worksheet
//   'V' u32 row, u32 column, kind, value   a cell: the kind byte of biff::Kind, then an f64, or
//                                          a str for a text

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

// Reads the workbook, or says why not and returns false.
bool ReadInChild(const char* path, int sheet, ChildWriter& out, biff::Book* book) {
    FileBytes bytes;
    if (!bytes.Open(path)) {
        out.Error(kUnreadableFile);
        return false;
    }
    *book = biff::ReadWorkbookFile(bytes.Data(), bytes.Size(), sheet);
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

void ReadSheetInChild(const char* path, int sheet, ChildWriter& out) {
    biff::Book book;
    if (!ReadInChild(path, sheet, out, &book))
        return;
    if (sheet >= static_cast<int>(book.sheets.size())) {
        out.Error(static_cast<std::uint32_t>(biff::Problem::Damaged));
        return;
    }
    for (const biff::Cell& cell : book.sheets[static_cast<size_t>(sheet)].cells) {
        out.Tag('V');
        out.U32(cell.row);
        out.U32(cell.column);
        out.Tag(static_cast<char>(cell.kind));
        if (cell.kind == biff::Kind::Text)
            out.Str(cell.text);
        else
            out.F64(cell.number);
        out.Flush(false);
    }
    out.Done();
}

// ---- the program's side ----------------------------------------------------------------------

enum class CellKind { Null, Number, Text, Date };

struct Cell {
    CellKind kind = CellKind::Null;
    double number = 0;
    QString text;
};

// A number formatted as a date or time as text: "2024-05-06", "2024-05-06 07:08:09" (the date
// alone at midnight), "07:08:09". Days before 1899-12-30 or past 9999 read as empty.
QString DateText(biff::Kind kind, double days) {
    if (!(days >= 0 && days < 2958466))
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

    SourceTable Read(const QString& table) const override {
        const qsizetype sheet = Tables().indexOf(table);
        if (sheet < 0)
            Fail(QStringLiteral("工作表“%1”读不出来。").arg(table));

        // The rows as the file has them: each as long as its last cell.
        std::vector<std::vector<Cell>> grid;
        size_t columns = 0;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> errors; // row, column
        const std::string file = m_encodedPath.toStdString();
        const int index = static_cast<int>(sheet);
        Run([file, index](ChildWriter& out) { ReadSheetInChild(file.c_str(), index, out); },
            [&](char tag, ChildMessages& in) {
                std::uint32_t row = 0, column = 0;
                char kind = 0;
                if (tag != 'V')
                    FailDamaged();
                if (!in.U32(&row) || !in.U32(&column) || !in.Byte(&kind))
                    return false;
                if (row >= biff::kMaxRows || column >= biff::kMaxColumns)
                    FailDamaged();
                Cell cell;
                const auto k = static_cast<biff::Kind>(kind);
                if (k == biff::Kind::Error) {
                    // Empty, and noted; its row is a row of the table all the same.
                    if (!in.F64(&cell.number))
                        return false;
                    errors.emplace_back(row, column);
                    if (grid.size() <= row)
                        grid.resize(row + 1);
                    columns = std::max(columns, static_cast<size_t>(column) + 1);
                    return true;
                }
                if (k == biff::Kind::Text) {
                    QByteArray text;
                    if (!in.Str(&text))
                        return false;
                    cell.text = QString::fromUtf8(text);
                    cell.kind = cell.text.isEmpty() ? CellKind::Null : CellKind::Text;
                } else {
                    if (!in.F64(&cell.number))
                        return false;
                    if (k == biff::Kind::Number) {
                        cell.kind = CellKind::Number;
                    } else {
                        cell.text = DateText(k, cell.number);
                        cell.kind = cell.text.isEmpty() ? CellKind::Null : CellKind::Date;
                    }
                }
                if (cell.kind == CellKind::Null)
                    return true;
                if (grid.size() <= row)
                    grid.resize(row + 1);
                std::vector<Cell>& cells = grid[row];
                if (cells.size() <= column) {
                    // A row is as a rule as long as the rows before it.
                    if (cells.empty())
                        cells.reserve(std::max(columns, static_cast<size_t>(column) + 1));
                    cells.resize(column + 1);
                }
                cells[column] = std::move(cell);
                columns = std::max(columns, static_cast<size_t>(column) + 1);
                return true;
            });

        SourceTable out;
        if (grid.empty())
            return out;
        const auto at = [&grid](size_t r, size_t c) -> const Cell& {
            static const Cell empty;
            return c < grid[r].size() ? grid[r][c] : empty;
        };
        for (size_t c = 0; c < columns; ++c) {
            const Cell& header = at(0, c);
            out.names << (header.kind == CellKind::Number ? NumberText(header.number) : header.text);
        }
        std::vector<CellKind> kinds(columns, CellKind::Text);
        for (size_t c = 0; c < columns; ++c) {
            std::array<int, 4> counts{};
            for (size_t r = 1; r < grid.size() && r <= kTypeGuessRows; ++r)
                ++counts[static_cast<size_t>(at(r, c).kind)];
            // Most cells decide; a tie goes to numbers, then dates; no cell at all makes text.
            CellKind kind = CellKind::Text;
            int best = 0;
            for (CellKind k : {CellKind::Number, CellKind::Date, CellKind::Text}) {
                if (counts[static_cast<size_t>(k)] > best) {
                    best = counts[static_cast<size_t>(k)];
                    kind = k;
                }
            }
            kinds[c] = kind;
            // A column of texts with numbers among them keeps each cell's own kind.
            bool numbers = false;
            if (kind == CellKind::Text)
                for (size_t r = 1; r < grid.size() && !numbers; ++r)
                    numbers = at(r, c).kind == CellKind::Number;
            out.types << QString::fromLatin1(kind == CellKind::Number ? kNumber
                                             : kind == CellKind::Date ? kDateTime
                                             : numbers                ? kMixed
                                                                      : kText);
        }
        for (const auto& [row, column] : errors)
            if (row > 0) // an error in the header row leaves the column without a name
                out.errorCells.insert({static_cast<int>(row), static_cast<int>(column)});
        out.rows.reserve(grid.size() - 1);
        for (size_t r = 1; r < grid.size(); ++r) {
            std::vector<db::Variant>& row = out.rows.emplace_back();
            row.reserve(grid[r].size());
            for (size_t c = 0; c < grid[r].size(); ++c)
                row.push_back(Convert(grid[r][c], kinds[c]));
        }
        return out;
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
        if (end.how != ChildEnd::How::Reported)
            FailDamaged(); // what the child wrote to its error output is in the log
        switch (static_cast<biff::Problem>(end.reason)) {
        case biff::Problem::NotWorkbook:
            Fail(QStringLiteral("文件已损坏，或不是Excel工作簿（.xls）。"));
        case biff::Problem::Password:
            Fail(QStringLiteral("工作簿设有密码。"));
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

    // A cell of another type than its column's. A number stays a number in a column of numbers
    // or texts (a 学号 typed without its apostrophe must still be seen as a number); a text that
    // reads as a number becomes one in a column of numbers, and any other text stays text there,
    // as a date does, so that an import sees a word in a column of marks and refuses it instead of
    // taking it for an empty cell. A date column takes dates and nothing else.
    static db::Variant Convert(const Cell& cell, CellKind column) {
        switch (cell.kind) {
        case CellKind::Null:
            return {};
        case CellKind::Number:
            if (column == CellKind::Number)
                return cell.number;
            if (column == CellKind::Text) {
                // Whole numbers as integers, as a column of numbers stores them.
                if (std::floor(cell.number) == cell.number && std::fabs(cell.number) < 9.0e15)
                    return db::Variant(static_cast<long long>(cell.number));
                return cell.number;
            }
            return {};
        case CellKind::Text: {
            if (column == CellKind::Text)
                return cell.text;
            double number = 0;
            if (column == CellKind::Number)
                return ParseNumber(cell.text, &number) ? db::Variant(number) : db::Variant(cell.text);
            return {};
        }
        case CellKind::Date:
            return cell.text;
        }
        return {};
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
