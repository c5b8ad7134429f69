#include "admin/ScoreImport.h"

#include "admin/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/TotalsState.h"
#include "platform/db/Functions.h"
#include "platform/db/Transaction.h"
#include "platform/text/Gbk.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace scoreimport {

namespace {

bool Mapped(const QStringList& texts, int row) {
    return !texts.value(row - 1).trimmed().isEmpty();
}

bool FromList(const QStringList& texts, int row) {
    return admin::SplitImportOffer(texts.value(row - 1).trimmed()).hasClass;
}

// The map's rows of the two papers in the mode.
int FirstPaperRow(int mode) {
    return mode == admin::IMPORT_SCORES_BY_NAME ? 3 : 2;
}

int FieldOf(const db::Recordset& source, const QString& text) {
    const QString column = admin::SplitImportOffer(text.trimmed()).column;
    const int index = admin::ImportFieldIndex(source, column);
    if (index < 0)
        throw db::DbError(db::DbError::kNoSuchField,
                          QStringLiteral("数据来源中没有名为“%1”的字段。").arg(column));
    return index;
}

bool IsNumber(const db::Variant& v) {
    return v.Type() == db::VariantType::Integer || v.Type() == db::VariantType::Real;
}

// A name or class as the import compares it with the grid's text, without surrounding blanks;
// nothing for NULL. A numeric column gives its number's text.
std::optional<QString> KeyText(const db::Variant& v, bool numericColumn) {
    if (v.IsNull())
        return std::nullopt;
    if (numericColumn && IsNumber(v))
        return db::JetStr(v.ToDouble()).trimmed();
    return v.ToString().trimmed();
}

QString NameClassKey(const QString& name, const QString& cls) {
    return name.trimmed() + QChar(u'\x1f') + cls.trimmed();
}

// The value of an all-digit number without its leading zeros ("0145" and "145" give "145");
// nothing for any other text.
std::optional<QString> DigitsValue(const QString& id) {
    if (id.isEmpty())
        return std::nullopt;
    for (const QChar c : id)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    int zeros = 0;
    while (zeros < id.size() - 1 && id.at(zeros) == u'0')
        ++zeros;
    return id.mid(zeros);
}

// Whether a key cell's text holds a control character, which fails its row.
bool HoldsControlCharacter(const db::Variant& v) {
    return !v.IsNull() && text::HasControlCharacter(v.ToString());
}

// The grade of the exam's score rows.
QString ExamGrade(db::Connection& connection, int examId) {
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT grade FROM tavrinKSK WHERE id=? AND grade IS NOT NULL LIMIT 1"), examId);
    return rs.IsEOF() || rs.Field(0).IsNull() ? QString() : rs.Field(0).ToString().trimmed();
}

} // namespace

MapProblem CheckMapping(int mode, const QStringList& texts) {
    const bool byName = mode == admin::IMPORT_SCORES_BY_NAME;
    if (!FromList(texts, 1))
        return byName ? MapProblem::NoNameKey : MapProblem::NoNumberKey;
    const int first = FirstPaperRow(mode);
    if (!Mapped(texts, first) && !Mapped(texts, first + 1))
        return MapProblem::NoPaper;
    for (int row = first; row <= first + 1; ++row)
        if (Mapped(texts, row) && !FromList(texts, row))
            return MapProblem::PaperTyped;
    if (byName && !FromList(texts, 2))
        return MapProblem::NoClassKey;
    if (Mapped(texts, first) && Mapped(texts, first + 1) &&
        admin::SplitImportOffer(texts.value(first - 1).trimmed()).column ==
            admin::SplitImportOffer(texts.value(first).trimmed()).column)
        return MapProblem::SamePaperColumn;
    return MapProblem::None;
}

QString MapProblemText(MapProblem problem) {
    switch (problem) {
    case MapProblem::NoNumberKey:
        return QStringLiteral("对不起，学号字段必选！");
    case MapProblem::NoNameKey:
        return QStringLiteral("对不起，学生姓名字段必选！");
    case MapProblem::NoClassKey:
        return QStringLiteral("对不起，学生班级字段必选！");
    case MapProblem::PaperTyped:
        return QStringLiteral("对不起，I卷和II卷字段必须从列表中选择！");
    case MapProblem::NoPaper:
        return QStringLiteral("对不起，I卷或II卷字段至少要选择一项！");
    case MapProblem::SamePaperColumn:
        return QStringLiteral("对不起，I卷和II卷不能取自同一个字段！");
    case MapProblem::None:
        break;
    }
    return {};
}

SourceMark ReadMark(const db::Variant& value, int fullMark) {
    SourceMark mark;
    if (value.IsNull()) {
        mark.ok = true;
        return mark;
    }
    double number = 0;
    QString shown; // the value as the reason names it
    if (IsNumber(value)) {
        number = value.ToDouble();
        shown = QString::number(number, 'g', 15);
    } else {
        static const QRegularExpression form(QStringLiteral("^-?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
        shown = value.ToString().trimmed();
        if (value.Type() == db::VariantType::Text && shown.isEmpty()) {
            // A cell holding blanks says neither a mark nor that the paper is absent: the stored
            // mark stays (an empty cell, NULL, is the absent paper).
            mark.fault = roster::kReasonBlankText;
            return mark;
        }
        if (value.Type() != db::VariantType::Text || !form.match(shown).hasMatch()) {
            mark.fault = roster::NotANumber(shown);
            return mark;
        }
        number = shown.toDouble();
    }
    if (std::isnan(number)) {
        mark.fault = roster::NotANumber(shown);
        return mark;
    }
    if (number < 0) {
        mark.fault = QStringLiteral("%1 小于0").arg(shown);
        return mark;
    }
    if (number > fullMark) {
        mark.fault = QStringLiteral("%1 超过满分%2").arg(shown).arg(fullMark);
        return mark;
    }
    mark.ok = true;
    mark.value = number;
    return mark;
}

namespace {

// The source columns a checked mapping names, with the target names its reasons use.
struct MappedColumns {
    bool byName = false;
    int key = -1;            // 学号, or 姓名 by name
    int cls = -1;            // 班级 by name
    bool numericKey = false; // the key column is of class N
    bool numericClass = false;
    int papers[2] = {-1, -1}; // I卷 and II卷; -1 when the paper is not mapped
    QString keyLabel, classLabel, paperLabels[2];

    bool PaperMapped(int k) const { return papers[k] >= 0; }
};

// Looks the mapped columns up in the source: a name of no column, or one column for both
// papers, throws db::DbError.
MappedColumns FindColumns(const db::Recordset& source, int mode, const QStringList& texts) {
    MappedColumns columns;
    columns.byName = mode == admin::IMPORT_SCORES_BY_NAME;
    const QStringList labels = admin::ImportTargetFields(mode);
    const auto label = [&](int row) { return labels.value(row - 1).section(u'[', 0, 0); };
    const auto numeric = [&](int row) {
        return admin::SplitImportOffer(texts.value(row - 1).trimmed()).classLetter == u'N';
    };
    columns.key = FieldOf(source, texts.value(0));
    columns.numericKey = numeric(1);
    columns.keyLabel = label(1);
    if (columns.byName) {
        columns.cls = FieldOf(source, texts.value(1));
        columns.numericClass = numeric(2);
        columns.classLabel = label(2);
    }
    if (CheckMapping(mode, texts) == MapProblem::SamePaperColumn)
        throw db::DbError(db::DbError::kNoSuchField, MapProblemText(MapProblem::SamePaperColumn));
    const int first = FirstPaperRow(mode);
    for (int k = 0; k < 2; ++k) {
        columns.paperLabels[k] = label(first + k);
        if (Mapped(texts, first + k))
            columns.papers[k] = FieldOf(source, texts.value(first + k - 1));
    }
    return columns;
}

// The grid's students by the key the source is matched with, and the form of their numbers.
struct StudentIndex {
    std::unordered_map<QString, std::vector<int>> byKey;
    std::unordered_map<QString, std::vector<int>> byValue; // all-digit numbers by their value
    roster::StudentIdForm form;
};

StudentIndex IndexStudents(db::Connection& connection, const Target& target, bool byName) {
    StudentIndex index;
    QStringList ids;
    for (int i = 0; i < static_cast<int>(target.students.size()); ++i) {
        const GridStudent& student = target.students[i];
        ids << student.studentId;
        if (byName) {
            index.byKey[NameClassKey(student.name, student.classText)].push_back(i);
        } else {
            index.byKey[student.studentId].push_back(i);
            if (const std::optional<QString> value = DigitsValue(student.studentId))
                index.byValue[*value].push_back(i);
        }
    }
    index.form = roster::StudentIdFormOf(byName ? QString() : ExamGrade(connection, target.examId), ids);
    return index;
}

// Where the source's rows are and how the user finds them.
struct SourceRows {
    db::Recordset& records;
    const importsrc::ErrorCells& errorCells;
    int firstRow;

    bool IsError(int row, int field) const { return roster::IsErrorCell(errorCells, row, field); }
};

// A source row that names students of the grid, with its marks as the source holds them.
struct MatchedRow {
    int shownRow = 0;
    QString studentId, name;
    bool padded = false;
    std::vector<int> students;
    db::Variant marks[2];
    bool markErrors[2] = {false, false}; // the mark cell holds an error value
};

// The grid's students the current record names, with its 学号 (by number) or 姓名 as noted.
MatchedRow MatchRecord(const SourceRows& rows, const MappedColumns& columns, const StudentIndex& index,
                       const Target& target) {
    MatchedRow row;
    const db::Variant& keyCell = rows.records.Field(columns.key);
    if (columns.byName) {
        row.name = KeyText(keyCell, columns.numericKey).value_or(QString());
        const std::optional<QString> cls = KeyText(rows.records.Field(columns.cls), columns.numericClass);
        if (!keyCell.IsNull() && cls)
            if (const auto found = index.byKey.find(NameClassKey(row.name, *cls)); found != index.byKey.end())
                row.students = found->second;
        return row;
    }
    const roster::CellStudentId cell = roster::StudentIdOfCell(keyCell, index.form);
    row.studentId = cell.id;
    if (const auto found = index.byKey.find(cell.id); found != index.byKey.end() && !cell.id.isEmpty()) {
        row.students = found->second;
        row.padded = cell.padded;
    } else if (IsNumber(keyCell)) {
        // A number that does not read as the grade's form: the roster's all-digit number of the
        // same value.
        if (const std::optional<QString> value = DigitsValue(cell.id))
            if (const auto same = index.byValue.find(*value); same != index.byValue.end())
                row.students = same->second;
    }
    // By number the list names the student as the roster does.
    if (!row.students.empty())
        row.name = target.students[row.students.front()].name;
    return row;
}

// The source's rows that name students of the grid, in source order. Blank rows are counted and
// left out; a row whose key cell holds an error value or a control character fails, and a row
// of no student is noted 不在名单中, both noted in `count`.
std::vector<MatchedRow> MatchRows(const SourceRows& rows, const MappedColumns& columns,
                                  const StudentIndex& index, const Target& target, ImportCount& count) {
    std::vector<MatchedRow> matched;
    int row = 0;
    for (rows.records.MoveFirst(); !rows.records.IsEOF(); rows.records.MoveNext()) {
        ++row;
        if (roster::IsBlankRow(rows.records, row,
                               {columns.key, columns.cls, columns.papers[0], columns.papers[1]},
                               rows.errorCells)) {
            ++count.blank;
            continue;
        }
        MatchedRow match = MatchRecord(rows, columns, index, target);
        match.shownRow = row - 1 + rows.firstRow;
        const bool byClass = columns.cls >= 0;
        const QString keyError =
            rows.IsError(row, columns.key)
                ? roster::ErrorCellReason(columns.keyLabel, rows.records.Field(columns.key))
            : rows.IsError(row, columns.cls)
                ? roster::ErrorCellReason(columns.classLabel, rows.records.Field(columns.cls))
            : HoldsControlCharacter(rows.records.Field(columns.key))
                ? roster::CellReason(columns.keyLabel, roster::kReasonControl)
            : byClass && HoldsControlCharacter(rows.records.Field(columns.cls))
                ? roster::CellReason(columns.classLabel, roster::kReasonControl)
                : QString();
        if (!keyError.isEmpty()) {
            ++count.failed;
            count.notes.push_back({match.shownRow, match.studentId, match.name, keyError});
            continue;
        }
        if (match.students.empty()) {
            ++count.notListed;
            count.notes.push_back({match.shownRow, match.studentId, match.name, roster::kReasonNotListed});
            continue;
        }
        for (int k = 0; k < 2; ++k)
            if (columns.PaperMapped(k)) {
                match.marks[k] = rows.records.Field(columns.papers[k]);
                match.markErrors[k] = rows.IsError(row, columns.papers[k]);
            }
        matched.push_back(std::move(match));
    }
    return matched;
}

// Why a matched row writes nothing, or an empty text when its marks may be written: a row that
// names two students, or a student that two rows name (which marks belong to whom the file does
// not say), then each mark that is an error value or not a mark of its paper. The marks to write
// go into `values`.
QString RowRefusal(const MatchedRow& row, const std::vector<std::vector<int>>& rowsOfStudent,
                   const MappedColumns& columns, const scoresheet::Papers& papers,
                   std::vector<db::Variant>& values) {
    bool ambiguous = row.students.size() > 1;
    for (const int s : row.students)
        ambiguous = ambiguous || rowsOfStudent[s].size() > 1;
    if (ambiguous)
        return columns.byName ? roster::kReasonSameName : roster::kReasonDuplicate;
    QStringList faults;
    const int fullMarks[2] = {papers.t1, papers.t2};
    for (int k = 0; k < 2; ++k) {
        if (!columns.PaperMapped(k))
            continue;
        if (row.markErrors[k]) {
            faults << roster::ErrorCellReason(columns.paperLabels[k], row.marks[k]);
            continue;
        }
        const SourceMark mark = ReadMark(row.marks[k], fullMarks[k]);
        if (!mark.ok)
            faults << roster::CellReason(columns.paperLabels[k], mark.fault);
        if (mark.value)
            values.emplace_back(*mark.value);
        else
            values.emplace_back();
    }
    return faults.join(QStringLiteral("；"));
}

// The statement that writes the mapped papers of one score row.
QString UpdateSql(const QString& field, const MappedColumns& columns) {
    QStringList set;
    for (int k = 0; k < 2; ++k)
        if (columns.PaperMapped(k))
            set << field + QString::number(k + 1) + QStringLiteral("=?");
    return QStringLiteral("UPDATE tavrinKSK SET %1 WHERE rowid=? AND id=?").arg(set.join(u','));
}

// The stored papers of a score row that the row's empty cells clear, one note each, with the
// mark that was stored. `values` are the marks to write of the mapped papers, in paper order.
QStringList ClearedMarks(db::Connection& connection, const MappedColumns& columns, const Target& target,
                         long long key, const std::vector<db::Variant>& values) {
    QStringList cleared;
    std::optional<db::Recordset> stored; // read only for a row with an empty cell
    for (int k = 0, v = 0; k < 2; ++k) {
        if (!columns.PaperMapped(k) || !values[v++].IsNull())
            continue;
        if (!stored)
            stored = connection.Execute(QStringLiteral("SELECT %1, %2 FROM tavrinKSK WHERE rowid=? AND id=?")
                                            .arg(target.field + u'1', target.field + u'2'),
                                        key, target.examId);
        if (!stored->IsEOF() && !stored->Field(k).IsNull())
            cleared << roster::CellReason(columns.paperLabels[k],
                                          QStringLiteral("单元格为空，原有成绩%1已清除")
                                              .arg(QString::number(stored->Field(k).ToDouble(), 'g', 15)));
    }
    return cleared;
}

// Writes the marks of the matched rows that may be written, each failing alone when the database
// refuses it; counts and notes every row, and every stored mark an empty cell cleared. A database
// failure of any other kind throws.
void WriteMarks(db::Connection& connection, db::Transaction& transaction, const std::vector<MatchedRow>& rows,
                const MappedColumns& columns, const Target& target, ImportCount& count) {
    std::vector<std::vector<int>> rowsOfStudent(target.students.size());
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (const int s : rows[r].students)
            rowsOfStudent[s].push_back(r);
    const QString sql = UpdateSql(target.field, columns);
    const auto fail = [&count](const MatchedRow& row, const QString& reason) {
        ++count.failed;
        count.notes.push_back({row.shownRow, row.studentId, row.name, reason});
    };
    for (const MatchedRow& row : rows) {
        std::vector<db::Variant> values;
        if (const QString refusal = RowRefusal(row, rowsOfStudent, columns, target.papers, values);
            !refusal.isEmpty()) {
            fail(row, refusal);
            continue;
        }
        const GridStudent& student = target.students[row.students.front()];
        // Read before the write: an empty cell writes NULL, as an absent paper, and the user must
        // see which stored marks that took away (a column mapped by mistake shows at once).
        const QStringList cleared = ClearedMarks(connection, columns, target, student.key, values);
        values.emplace_back(student.key);
        values.emplace_back(target.examId);
        try {
            if (connection.Execute(sql, values).RowsAffected() != 1) {
                fail(row, roster::kReasonRefused);
                continue;
            }
        } catch (const db::DbError& e) {
            if (!transaction.IsRowRefusal(e))
                throw;
            fail(row, roster::kReasonRefused);
            continue;
        }
        ++count.written;
        if (row.padded) {
            ++count.padded;
            count.notes.push_back({row.shownRow, row.studentId, row.name, roster::kReasonPadded});
        }
        for (const QString& reason : cleared) {
            ++count.cleared;
            count.notes.push_back({row.shownRow, student.studentId, row.name, reason});
        }
    }
}

} // namespace

ImportCount ImportScores(db::Connection& connection, db::Recordset& source, int mode,
                         const QStringList& texts, const Target& target,
                         const importsrc::ErrorCells& errorCells, int firstRow) {
    if (!scoresheet::IsScoreColumn(target.field))
        throw db::DbError(db::DbError::kNoSuchField,
                          QStringLiteral("not a score column: %1").arg(target.field));
    const MappedColumns columns = FindColumns(source, mode, texts);
    const StudentIndex index = IndexStudents(connection, target, columns.byName);
    ImportCount count;
    const std::vector<MatchedRow> rows =
        MatchRows(SourceRows{source, errorCells, firstRow}, columns, index, target, count);
    try {
        db::Transaction transaction(connection);
        WriteMarks(connection, transaction, rows, columns, target, count);
        // Only an import that wrote a mark touches the totals: one whose rows all failed leaves
        // the subject's totals as score entry left them, and the valid totals up to date, so that
        // what is stored and what the record of out-of-date totals says never part.
        if (count.written > 0) {
            RecomputeTotals(connection, target.examId, target.field, target.papers, target.cls);
            data::MarkTotalsStale(connection, target.examId, target.field.mid(1).toInt());
        }
        transaction.Commit();
    } catch (const db::DbError& e) {
        // Leaving the block has rolled back the marks written: no mark stays without its total.
        throw ImportNotDone(e);
    }
    std::stable_sort(count.notes.begin(), count.notes.end(),
                     [](const roster::ImportRowNote& a, const roster::ImportRowNote& b) {
                         return a.sourceRow < b.sourceRow;
                     });
    return count;
}

void RecomputeTotals(db::Connection& connection, int examId, const QString& field,
                     const scoresheet::Papers& papers, int cls) {
    if (!scoresheet::IsScoreColumn(field))
        throw db::DbError(db::DbError::kNoSuchField, QStringLiteral("not a score column: %1").arg(field));
    // The weights as the totals have always been recomputed with: two decimals, by the rule that
    // rounds the totals themselves.
    scoresheet::Papers rounded = papers;
    rounded.t1w = static_cast<float>(data::RoundTo2(papers.t1w));
    rounded.t2w = static_cast<float>(data::RoundTo2(papers.t2w));

    QString select = QStringLiteral("SELECT rowid, %1, %2 FROM tavrinKSK WHERE id=?")
                         .arg(field + QStringLiteral("1"), field + QStringLiteral("2"));
    std::vector<db::Variant> params{db::Variant(examId)};
    if (cls > 0) {
        select += QStringLiteral(" AND class=?");
        params.emplace_back(cls);
    }
    const auto optional = [](const db::Variant& v) {
        return v.IsNull() ? std::nullopt : std::optional<double>(v.ToDouble());
    };
    db::Transaction transaction(connection);
    const QString update = QStringLiteral("UPDATE tavrinKSK SET %1=? WHERE rowid=?").arg(field);
    for (db::Recordset rs = connection.Execute(select, params); !rs.IsEOF(); rs.MoveNext()) {
        const std::optional<double> total = rounded.Total(optional(rs.Field(1)), optional(rs.Field(2)));
        connection.Execute(update, total ? db::Variant(*total) : db::Variant(), rs.Field(0));
    }
    transaction.Commit();
}

} // namespace scoreimport
