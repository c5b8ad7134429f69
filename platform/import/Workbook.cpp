// Excel workbooks (BIFF, .xls) through FreeXL. Each sheet is a table named after it with a "$"
// behind; its first row holds the column names and the rows below it the data.
#include "platform/import/Reader.h"
#include "platform/import/Source.h"

#include <QFile>

#include <freexl.h>

#include <array>

namespace importsrc {
namespace {

const QString& KindName() {
    static const QString name = QStringLiteral("Excel工作簿");
    return name;
}

// A column's type is the type most of its first rows hold, as the workbook driver guesses it.
constexpr unsigned kTypeGuessRows = 8;

enum class CellKind { Null, Number, Text, Date };

struct Cell {
    CellKind kind = CellKind::Null;
    double number = 0;
    QString text;
};

class WorkbookReader : public Reader {
public:
    explicit WorkbookReader(const QString& path) : m_path(path) {
        CheckReadable(path, KindName());
        const void* handle = nullptr;
        const int rc = freexl_open(QFile::encodeName(path).constData(), &handle);
        // FreeXL wants its handle closed after a failed open too.
        m_handle.reset(handle);
        if (rc != FREEXL_OK)
            Fail(QStringLiteral("文件已损坏，或不是Excel工作簿（.xls）。"));
        unsigned int info = 0;
        if (freexl_get_info(m_handle.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
            info == FREEXL_BIFF_OBFUSCATED)
            Fail(QStringLiteral("工作簿设有密码。"));
        unsigned int sheets = 0;
        if (freexl_get_info(m_handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
            Fail(QStringLiteral("文件已损坏，读不出工作表。"));
        for (unsigned int i = 0; i < sheets; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle.get(), static_cast<unsigned short>(i), &name) !=
                    FREEXL_OK ||
                !name)
                Fail(QStringLiteral("文件已损坏，读不出工作表。"));
            m_sheets << QString::fromUtf8(name);
        }
    }

    QStringList Tables() const override {
        QStringList tables;
        for (const QString& sheet : m_sheets)
            tables << sheet + QLatin1Char('$');
        return tables;
    }

    SourceTable Read(const QString& table) const override {
        const qsizetype sheet = Tables().indexOf(table);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (sheet < 0 ||
            freexl_select_active_worksheet(m_handle.get(), static_cast<unsigned short>(sheet)) != FREEXL_OK ||
            freexl_worksheet_dimensions(m_handle.get(), &rows, &columns) != FREEXL_OK)
            Fail(QStringLiteral("工作表“%1”读不出来。").arg(table));

        SourceTable out;
        if (rows == 0)
            return out;
        for (unsigned short c = 0; c < columns; ++c) {
            const Cell header = CellAt(0, c);
            out.names << (header.kind == CellKind::Number ? NumberText(header.number) : header.text);
        }
        std::vector<CellKind> kinds(columns, CellKind::Text);
        for (unsigned short c = 0; c < columns; ++c) {
            std::array<int, 4> counts{};
            for (unsigned int r = 1; r < rows && r <= kTypeGuessRows; ++r)
                ++counts[static_cast<size_t>(CellAt(r, c).kind)];
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
            out.types << QString::fromLatin1(kind == CellKind::Number ? kNumber
                                             : kind == CellKind::Date ? kDateTime
                                                                      : kText);
        }
        out.rows.reserve(rows - 1);
        for (unsigned int r = 1; r < rows; ++r) {
            std::vector<db::Variant>& row = out.rows.emplace_back();
            row.reserve(columns);
            for (unsigned short c = 0; c < columns; ++c)
                row.push_back(Convert(CellAt(r, c), kinds[c]));
        }
        return out;
    }

private:
    [[noreturn]] void Fail(const QString& reason) const {
        throw UnreadableSource(m_path, KindName(), reason);
    }

    Cell CellAt(unsigned int row, unsigned short column) const {
        FreeXL_CellValue value;
        if (freexl_get_cell_value(m_handle.get(), row, column, &value) != FREEXL_OK)
            Fail(QStringLiteral("第%1行第%2列的单元格读不出来。").arg(row + 1).arg(column + 1));
        Cell cell;
        switch (value.type) {
        case FREEXL_CELL_INT:
            cell.kind = CellKind::Number;
            cell.number = value.value.int_value;
            break;
        case FREEXL_CELL_DOUBLE:
            cell.kind = CellKind::Number;
            cell.number = value.value.double_value;
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            cell.text = QString::fromUtf8(value.value.text_value ? value.value.text_value : "");
            cell.kind = cell.text.isEmpty() ? CellKind::Null : CellKind::Text;
            break;
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            cell.kind = CellKind::Date;
            cell.text = QString::fromUtf8(value.value.text_value ? value.value.text_value : "");
            // A date-and-time at midnight reads as the date alone.
            if (value.type == FREEXL_CELL_DATETIME && cell.text.endsWith(QLatin1String(" 00:00:00")))
                cell.text.chop(9);
            break;
        default:
            break;
        }
        return cell;
    }

    // A cell of another type than its column's: numbers and text convert into each other (a text
    // that is no number becomes NULL), a text column takes a date as its text, and anything else
    // is NULL.
    static db::Variant Convert(const Cell& cell, CellKind column) {
        switch (cell.kind) {
        case CellKind::Null:
            return {};
        case CellKind::Number:
            if (column == CellKind::Number)
                return cell.number;
            return column == CellKind::Text ? db::Variant(NumberText(cell.number)) : db::Variant();
        case CellKind::Text: {
            if (column == CellKind::Text)
                return cell.text;
            double number = 0;
            return column == CellKind::Number && ParseNumber(cell.text, &number) ? db::Variant(number)
                                                                                 : db::Variant();
        }
        case CellKind::Date:
            return column == CellKind::Number ? db::Variant() : db::Variant(cell.text);
        }
        return {};
    }

    struct Closer {
        void operator()(const void* handle) const { freexl_close(handle); }
    };

    QString m_path;
    std::unique_ptr<const void, Closer> m_handle;
    QStringList m_sheets;
};

} // namespace

std::unique_ptr<Reader> OpenWorkbook(const QString& path) {
    return std::make_unique<WorkbookReader>(path);
}

} // namespace importsrc
