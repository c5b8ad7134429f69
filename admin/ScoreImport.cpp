#include "admin/ScoreImport.h"

#include "admin/ImportSource.h"
#include "platform/db/Functions.h"
#include "platform/db/Transaction.h"

#include <QRegularExpression>

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

// A key value as the import compares it with the grid's text; nothing for NULL. A numeric
// column: the student number as nine digits, a name or class as its number's text.
std::optional<QString> KeyText(const db::Variant& v, bool numericColumn, bool studentNumber) {
    if (v.IsNull())
        return std::nullopt;
    if (!numericColumn)
        return v.ToString();
    if (studentNumber)
        return roster::NumericStudentId(v);
    return IsNumber(v) ? db::JetStr(v.ToDouble()).trimmed() : v.ToString().trimmed();
}

QString NameClassKey(const QString& name, const QString& cls) {
    return name + QChar(u'\x1f') + cls;
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
    if (IsNumber(value)) {
        number = value.ToDouble();
        if (!(number >= 0))
            return mark;
    } else if (value.Type() == db::VariantType::Text) {
        static const QRegularExpression form(QStringLiteral("^(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
        const QString text = value.ToString().trimmed();
        if (!form.match(text).hasMatch())
            return mark;
        number = text.toDouble();
    } else {
        return mark;
    }
    mark.ok = true;
    if (number <= fullMark)
        mark.value = number;
    return mark;
}

ImportCount ImportScores(db::Connection& connection, db::Recordset& source, int mode,
                         const QStringList& texts, const Target& target) {
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
    const int paper1 = mapped1 ? FieldOf(source, texts.value(first - 1)) : -1;
    const int paper2 = mapped2 ? FieldOf(source, texts.value(first)) : -1;

    // The source's rows by key, the first of equal keys kept.
    struct Marks {
        db::Variant p1, p2;
    };
    std::vector<Marks> marks;
    std::unordered_map<QString, int> byKey;
    for (source.MoveFirst(); !source.IsEOF(); source.MoveNext()) {
        std::optional<QString> key = KeyText(source.Field(keyField), numeric(1), !byName);
        if (byName) {
            const std::optional<QString> cls = KeyText(source.Field(classField), numeric(2), false);
            key = key && cls ? std::optional<QString>(NameClassKey(*key, *cls)) : std::nullopt;
        }
        if (!key)
            continue;
        if (byKey.emplace(*key, static_cast<int>(marks.size())).second)
            marks.push_back({mapped1 ? source.Field(paper1) : db::Variant(),
                             mapped2 ? source.Field(paper2) : db::Variant()});
    }

    QString set;
    if (mapped1)
        set = target.field + QStringLiteral("1=?");
    if (mapped2)
        set += (set.isEmpty() ? QString() : QStringLiteral(",")) + target.field + QStringLiteral("2=?");
    const QString sql = QStringLiteral("UPDATE tavrinKSK SET %1 WHERE rowid=? AND id=?").arg(set);

    ImportCount count;
    try {
        db::Transaction transaction(connection);
        for (const GridStudent& student : target.students) {
            const QString key =
                byName ? NameClassKey(student.name, student.classText.trimmed()) : student.studentId;
            const auto found = byKey.find(key);
            if (found == byKey.end())
                continue;
            const Marks& row = marks[found->second];
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
                ++count.failed;
                continue;
            }
            values.emplace_back(student.key);
            values.emplace_back(target.examId);
            try {
                if (connection.Execute(sql, values).RowsAffected() == 1)
                    ++count.written;
                else
                    ++count.failed;
            } catch (const db::DbError& e) {
                if (!transaction.IsRowRefusal(e))
                    throw;
                ++count.failed;
            }
        }
        RecomputeTotals(connection, target.examId, target.field, target.papers, target.cls);
        transaction.Commit();
    } catch (const db::DbError& e) {
        // Leaving the block has rolled back the marks written: no mark stays without its total.
        throw ImportNotDone(e);
    }
    return count;
}

void RecomputeTotals(db::Connection& connection, int examId, const QString& field,
                     const scoresheet::Papers& papers, int cls) {
    if (!scoresheet::IsScoreColumn(field))
        throw db::DbError(db::DbError::kNoSuchField, QStringLiteral("not a score column: %1").arg(field));
    // The weights as the totals have always been recomputed with: two decimals.
    scoresheet::Papers rounded = papers;
    rounded.t1w = QString::asprintf("%1.2f", double(papers.t1w)).toFloat();
    rounded.t2w = QString::asprintf("%1.2f", double(papers.t2w)).toFloat();

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
