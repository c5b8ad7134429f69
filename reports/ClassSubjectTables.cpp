#include "reports/ClassSubjectTables.h"

#include "reports/BasicStats.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <cmath>
#include <map>

namespace reports {
namespace {

void WriteTitles(CReportTable& table, int row, const QStringList& titles) {
    for (int c = 0; c < titles.size(); ++c)
        table.SetText(row, c, titles[c], CellAlign::Right);
}

// Where block b starts, and where class c of subject j (both 1-based) goes, in either layout:
// blocks of `blockRows` data rows, each block a title row ahead and two separator rows behind.
struct BlockLayout {
    bool byClass; // mode 1: a block per class, a row per subject
    int subjects;
    int classes;

    int BlockRows() const { return byClass ? subjects : classes; }
    int Blocks() const { return byClass ? classes : subjects; }
    int Stride() const { return BlockRows() + 3; }
    int RowCount() const { return Blocks() > 0 ? Blocks() * Stride() - 2 : 1; }
    int DataRow(int cls, int subject) const {
        return byClass ? Stride() * (cls - 1) + subject : Stride() * (subject - 1) + cls;
    }
};

void Compute(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context, int mode,
             CReportTable& table) {
    const QStringList titles = BlockTableTitles(mode);
    table = CReportTable(1, kBlockTableColumns);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(2);
    WriteTitles(table, 0, titles);

    const int examId = context.m_nAnalysisExamId;
    if (examId == -1)
        return;
    table.caption = ExamTitle(context.m_strAnalysisExam) + QStringLiteral("基本统计量");
    const int k = HighestClass(connection, examId);
    if (k <= 0)
        return;

    const std::vector<int> subjects = context.ParticipatingSubjects();
    const BlockLayout layout{mode == kClassSubjectTable, int(subjects.size()), k};
    table.SetRowCount(layout.RowCount());
    for (int b = 0; b < layout.Blocks(); ++b) {
        const int start = b * layout.Stride();
        if (b > 0) {
            WriteTitles(table, start, titles);
            table.SetKind(start, RowKind::BlockTitle);
        }
        if (b + 1 < layout.Blocks()) {
            table.SetKind(start + layout.BlockRows() + 1, RowKind::Separator);
            table.SetKind(start + layout.BlockRows() + 2, RowKind::Separator);
        }
    }
    const int classCol = layout.byClass ? 0 : 1;
    const int subjectCol = layout.byClass ? 1 : 0;

    for (int j = 1; j <= int(subjects.size()); ++j) {
        const int no = subjects[j - 1];
        const QString s = ScoreColumn(no);
        QString name;
        GetSubjectName(connection, cipher, no, name);
        const std::optional<float> fullMark = FullMark(connection, examId, no);
        const QString fullMarkText = FullMarkText(fullMark);
        // Blocks by subject name the subject and class on every row, so that a class without
        // scores stays a blank row inside its subject's table: the printout groups on the first
        // column, and an empty cell there would split the table.
        if (!layout.byClass)
            for (int c = 1; c <= k; ++c) {
                table.SetText(layout.DataRow(c, j), subjectCol, name);
                table.SetText(layout.DataRow(c, j), classCol, ClassLabel(c));
            }

        std::map<int, long long> counts;
        db::Recordset rs =
            Query(connection,
                  QStringLiteral("SELECT class,count(*),min(%1),max(%1),avg(%1),stdev(%1),"
                                 "stdev(%1)/avg(%1)*100 FROM tavrinKSK WHERE id=? and %1 is not "
                                 "null group by class order by class")
                      .arg(s),
                  {examId});
        for (; !rs.IsEOF(); rs.MoveNext()) {
            if (rs.Field(0).IsNull())
                continue;
            const long long c = rs.Field(0).ToInt64();
            if (c < 1 || c > k)
                continue;
            const int row = layout.DataRow(int(c), j);
            table.SetText(row, classCol, ClassLabel(int(c)));
            table.SetText(row, subjectCol, name);
            table.SetText(row, 2, fullMarkText);
            counts[int(c)] = rs.Field(1).ToInt64();
            table.SetText(row, 3, FormatInt(counts[int(c)], 2));
            for (int f = 2; f <= 6; ++f)
                if (!rs.Field(f).IsNull())
                    table.SetText(row, f + 2, Format62(rs.Field(f).ToDouble()));
        }

        // The full mark enters the comparison as "%.2f" writes it. Without a usable full mark there
        // is nothing to compare with, and the rate cells stay empty.
        if (!fullMark)
            continue;
        const double mark = FormatFixed(double(*fullMark), 0, 2).toDouble();
        if (mark <= 0)
            continue;
        const struct {
            int col;
            const char* threshold;
        } rates[] = {{9, "8"}, {10, "6"}};
        for (const auto& rate : rates) {
            db::Recordset r =
                Query(connection,
                      QStringLiteral("SELECT class,count(*) FROM tavrinKSK WHERE id=? and %1/?*10>=%2 "
                                     "group by class order by class")
                          .arg(s, QLatin1String(rate.threshold)),
                      {examId, mark});
            for (; !r.IsEOF(); r.MoveNext()) {
                const std::optional<int> cls = ClassNumber(r.Field(0));
                if (!cls)
                    continue;
                const auto it = counts.find(*cls);
                if (it == counts.end() || it->second <= 0)
                    continue;
                const double share = double(r.Field(1).ToInt64()) * 100 / double(it->second);
                table.SetText(layout.DataRow(it->first, j), rate.col, Format62(share) + u'%');
            }
        }
    }

    for (int r = table.RowCount() - 1; r >= 1; --r) {
        if (layout.byClass && table.Kind(r) == RowKind::Data) {
            QString key = table.Text(r, 0) + table.Text(r, 2);
            key.remove(u' ');
            if (key.isEmpty()) { // a subject the class has no score in
                table.DeleteRow(r);
                continue;
            }
        }
        for (int c = 0; c < kBlockTableColumns; ++c)
            table.SetAlign(r, c, CellAlign::Right);
    }
}

} // namespace

QStringList BlockTableTitles(int mode) {
    const QString first = mode == kClassSubjectTable ? QStringLiteral("班级") : QStringLiteral("科目");
    const QString second = mode == kClassSubjectTable ? QStringLiteral("科目") : QStringLiteral("班级");
    return {first,
            second,
            QStringLiteral("满分"),
            QStringLiteral("参考人数"),
            QStringLiteral("最低分"),
            QStringLiteral("最高分"),
            QStringLiteral("平均分"),
            QStringLiteral("标准差"),
            QStringLiteral("变异系数"),
            QStringLiteral("优生率"),
            QStringLiteral("及格率")};
}

std::optional<float> FullMark(db::Connection& connection, int examId, int subjectNo) {
    db::Recordset rs = Query(connection, QStringLiteral("SELECT * FROM tavrinKMWGT WHERE id=? and kmfld=?"),
                             {examId, ScoreColumn(subjectNo)});
    if (rs.IsEOF())
        return std::nullopt;
    const auto field = [&](const char* name) { return rs.Field(QString::fromLatin1(name)); };
    // Paper marks are whole numbers; the weights may be fractions. Single precision, as stored.
    const float t1 = float(field("t1").ToInt64());
    const float t2 = float(field("t2").ToInt64());
    const float w1 = float(field("t1w").ToDouble());
    const float w2 = float(field("t2w").ToDouble());
    return t1 * w1 + t2 * w2;
}

QString FullMarkText(const std::optional<float>& fullMark) {
    if (!fullMark)
        return QStringLiteral("??");
    return FormatInt(static_cast<long long>(std::trunc(double(*fullMark))), 4);
}

void ComputeClassSubjectTable(db::Connection& connection, CTextCipher& cipher,
                              const CAnalysisContext& context, CReportTable& table) {
    Compute(connection, cipher, context, kClassSubjectTable, table);
}

void ComputeSubjectClassTable(db::Connection& connection, CTextCipher& cipher,
                              const CAnalysisContext& context, CReportTable& table) {
    Compute(connection, cipher, context, kSubjectClassTable, table);
}

} // namespace reports
