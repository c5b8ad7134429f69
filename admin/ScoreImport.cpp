#include "admin/ScoreImport.h"

#include "admin/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/TotalsState.h"
#include "platform/db/Functions.h"
#include "platform/db/Transaction.h"

#include <QRegularExpression>

#include <algorithm>
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
    double number = 0;
    if (value.IsNull()) {
        mark.ok = true;
        return mark;
    }
    if (IsNumber(value)) {
        number = value.ToDouble();
    } else if (value.Type() == db::VariantType::Text) {
        static const QRegularExpression form(QStringLiteral("^(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
        const QString text = value.ToString().trimmed();
        if (text.isEmpty()) {
            mark.ok = true; // an empty cell: the paper is absent
            return mark;
        }
        if (!form.match(text).hasMatch())
            return mark;
        number = text.toDouble();
    } else {
        return mark;
    }
    if (!(number >= 0 && number <= fullMark))
        return mark;
    mark.ok = true;
    mark.value = number;
    return mark;
}

ImportCount ImportScores(db::Connection& connection, db::Recordset& source, int mode,
                         const QStringList& texts, const Target& target,
                         const importsrc::ErrorCells& errorCells) {
    if (!scoresheet::IsScoreColumn(target.field))
        throw db::DbError(db::DbError::kNoSuchField,
                          QStringLiteral("not a score column: %1").arg(target.field));
    const bool byName = mode == admin::IMPORT_SCORES_BY_NAME;
    const auto numeric = [&](int row) {
        return admin::SplitImportOffer(texts.value(row - 1).trimmed()).classLetter == u'N';
    };
    const int keyField = FieldOf(source, texts.value(0));
    const int classField = byName ? FieldOf(source, texts.value(1)) : -1;
    const int first = FirstPaperRow(mode);
    const bool mapped1 = Mapped(texts, first);
    const bool mapped2 = Mapped(texts, first + 1);
    if (CheckMapping(mode, texts) == MapProblem::SamePaperColumn)
        throw db::DbError(db::DbError::kNoSuchField, MapProblemText(MapProblem::SamePaperColumn));
    const int paper1 = mapped1 ? FieldOf(source, texts.value(first - 1)) : -1;
    const int paper2 = mapped2 ? FieldOf(source, texts.value(first)) : -1;

    // The grid's students by the key the source is matched with.
    const int studentCount = static_cast<int>(target.students.size());
    std::unordered_map<QString, std::vector<int>> byKey;
    std::unordered_map<QString, std::vector<int>> byValue; // all-digit numbers by their value
    QStringList ids;
    for (int i = 0; i < studentCount; ++i) {
        const GridStudent& student = target.students[i];
        ids << student.studentId;
        if (byName) {
            byKey[NameClassKey(student.name, student.classText)].push_back(i);
        } else {
            byKey[student.studentId].push_back(i);
            if (const std::optional<QString> value = DigitsValue(student.studentId))
                byValue[*value].push_back(i);
        }
    }
    const roster::StudentIdForm form =
        roster::StudentIdFormOf(byName ? QString() : ExamGrade(connection, target.examId), ids);

    // The source's rows, each matched with the grid's students it names.
    struct Row {
        int sourceRow = 0;
        QString studentId, name;
        bool padded = false;
        bool errorValue = false; // a key or mark cell holds an error value
        std::vector<int> students;
        db::Variant p1, p2;
    };
    std::vector<Row> rows;
    std::vector<std::vector<int>> rowsOfStudent(studentCount);
    ImportCount count;
    int sourceRow = 0;
    for (source.MoveFirst(); !source.IsEOF(); source.MoveNext()) {
        Row row;
        row.sourceRow = ++sourceRow;
        const auto isError = [&](int field) {
            return field >= 0 && errorCells.count({sourceRow, field}) != 0;
        };
        row.errorValue = isError(keyField) || isError(classField) || (mapped1 && isError(paper1)) ||
                         (mapped2 && isError(paper2));
        const db::Variant& keyCell = source.Field(keyField);
        if (byName) {
            row.name = KeyText(keyCell, numeric(1)).value_or(QString());
            const std::optional<QString> cls = KeyText(source.Field(classField), numeric(2));
            if (!keyCell.IsNull() && cls) {
                const auto found = byKey.find(NameClassKey(row.name, *cls));
                if (found != byKey.end())
                    row.students = found->second;
            }
        } else {
            const roster::CellStudentId cell = roster::StudentIdOfCell(keyCell, form);
            row.studentId = cell.id;
            if (const auto found = byKey.find(cell.id); found != byKey.end() && !cell.id.isEmpty()) {
                row.students = found->second;
                row.padded = cell.padded;
            } else if (IsNumber(keyCell)) {
                // A number that does not read as the grade's form: the roster's all-digit number of
                // the same value.
                if (const std::optional<QString> value = DigitsValue(cell.id))
                    if (const auto same = byValue.find(*value); same != byValue.end())
                        row.students = same->second;
            }
        }
        if (row.students.empty()) {
            ++count.notListed;
            count.notes.push_back({row.sourceRow, row.studentId, row.name,
                                   row.errorValue ? roster::kReasonErrorValue : roster::kReasonNotListed});
            continue;
        }
        row.p1 = mapped1 ? source.Field(paper1) : db::Variant();
        row.p2 = mapped2 ? source.Field(paper2) : db::Variant();
        for (const int s : row.students)
            rowsOfStudent[s].push_back(static_cast<int>(rows.size()));
        rows.push_back(std::move(row));
    }

    QString set;
    if (mapped1)
        set = target.field + QStringLiteral("1=?");
    if (mapped2)
        set += (set.isEmpty() ? QString() : QStringLiteral(",")) + target.field + QStringLiteral("2=?");
    const QString sql = QStringLiteral("UPDATE tavrinKSK SET %1 WHERE rowid=? AND id=?").arg(set);

    const auto fail = [&count](const Row& row, const QString& reason) {
        ++count.failed;
        count.notes.push_back({row.sourceRow, row.studentId, row.name, reason});
    };
    try {
        db::Transaction transaction(connection);
        for (const Row& row : rows) {
            // A row that names two students, or a student two rows name, is taken for neither:
            // which marks belong to whom the file does not say.
            bool ambiguous = row.students.size() > 1;
            for (const int s : row.students)
                ambiguous = ambiguous || rowsOfStudent[s].size() > 1;
            if (ambiguous) {
                fail(row, byName ? roster::kReasonSameName : roster::kReasonDuplicate);
                continue;
            }
            if (row.errorValue) {
                fail(row, roster::kReasonErrorValue);
                continue;
            }
            const GridStudent& student = target.students[row.students.front()];
            std::vector<db::Variant> values;
            bool ok = true;
            if (mapped1) {
                const SourceMark m = ReadMark(row.p1, target.papers.t1);
                ok = ok && m.ok;
                values.push_back(m.value ? db::Variant(*m.value) : db::Variant());
            }
            if (mapped2) {
                const SourceMark m = ReadMark(row.p2, target.papers.t2);
                ok = ok && m.ok;
                values.push_back(m.value ? db::Variant(*m.value) : db::Variant());
            }
            if (!ok) {
                fail(row, roster::kReasonBadMark);
                continue;
            }
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
                count.notes.push_back({row.sourceRow, row.studentId, row.name, roster::kReasonPadded});
            }
        }
        // Only an import that wrote a mark touches the totals: one whose rows all failed leaves
        // the subject's totals as score entry left them, and the valid totals up to date, so that
        // what is stored and what the record of out-of-date totals says never part.
        if (count.written > 0) {
            RecomputeTotals(connection, target.examId, target.field, target.papers, target.cls);
            data::MarkTotalsStale(connection, target.examId);
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
