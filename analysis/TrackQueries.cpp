#include "analysis/TrackQueries.h"

#include "data/TextCipher.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <stdexcept>

namespace analysis {

namespace {

// The totals of the subject list and the rank column's title (string-table texts).
constexpr int IDS_RANK = 57660;
constexpr int IDS_ARTS_TOTAL = 57672;
constexpr int IDS_SCIENCE_TOTAL = 57673;
constexpr int IDS_TOTAL = 57677;

// "sNN" of a subject, or a total: the only names that reach an SQL text as a column.
bool IsScoreColumn(const QString& column) {
    static const QRegularExpression re(QStringLiteral("^(s[0-9]{2}|sum[123])$"));
    return re.match(column).hasMatch();
}

// The stream whose students a stream rank ranks: 文 (arts) or 理 (science).
QString RankStream(bool arts) {
    return arts ? QStringLiteral("文") : QStringLiteral("理");
}

// The scores of one exam as ranking in one scope needs them: the listed students' own rows (the
// first of each), and the ranking of the present scores of every scope group (a class number, or
// 0 for the one group of the other scopes).
class CExamRanking {
public:
    CExamRanking(db::Connection& connection, int examId, const QString& column, const QStringList& studentIds,
                 int target)
        : m_target(target) {
        if (!IsScoreColumn(column))
            throw std::invalid_argument("not a score column");
        LoadOwnRows(connection, examId, column, studentIds);
        if (target >= kClassRank && target <= kScienceRank)
            LoadScope(connection, examId, column);
    }

    TrackScore Score(const QString& studentId) const {
        TrackScore result;
        const auto own = m_own.constFind(studentId);
        if (own == m_own.cend() || !own->score)
            return result;
        result.score = own->score;
        if (m_target < kClassRank || m_target > kScienceRank)
            return result;
        // A stream rank is only for a student of that stream in this exam.
        if (IsStreamScope() && own->worl != ScopeStream())
            return result;
        // The class scope is that of the student's own row in this exam (0 without a class).
        const auto scope = m_ranks.constFind(m_target == kClassRank ? own->cls : 0);
        result.rank = scope != m_ranks.cend() ? scope->Rank(*own->score) : 1;
        return result;
    }

private:
    struct OwnRow {
        int cls = 0;
        QString worl; // empty when NULL
        std::optional<double> score;
    };

    bool IsStreamScope() const { return m_target == kArtsRank || m_target == kScienceRank; }
    QString ScopeStream() const { return RankStream(m_target == kArtsRank); }

    void LoadOwnRows(db::Connection& connection, int examId, const QString& column, const QStringList& ids) {
        // In slices, to stay well inside SQLite's limit on bound values.
        constexpr int kSlice = 500;
        for (int from = 0; from < ids.size(); from += kSlice) {
            const QStringList slice = ids.mid(from, kSlice);
            std::vector<db::Variant> params{examId};
            QStringList marks;
            for (const QString& id : slice) {
                params.emplace_back(id);
                marks << QStringLiteral("?");
            }
            db::Recordset rs = reports::Query(
                connection,
                QStringLiteral(
                    "select studentid, class, worl, %1 from tavrinKSK where id=? and studentid in (%2)")
                    .arg(column, marks.join(u',')),
                params);
            for (; !rs.IsEOF(); rs.MoveNext()) {
                const QString id = rs.Field(0).ToString();
                if (m_own.contains(id))
                    continue;
                OwnRow r;
                r.cls = rs.Field(1).IsNull() ? 0 : rs.Field(1).ToInt();
                if (!rs.Field(2).IsNull())
                    r.worl = rs.Field(2).ToString();
                if (!rs.Field(3).IsNull())
                    r.score = rs.Field(3).ToDouble();
                m_own.insert(id, r);
            }
            rs.Close();
        }
    }

    void LoadScope(db::Connection& connection, int examId, const QString& column) {
        const QString present = QStringLiteral(" from tavrinKSK where id=? and %1 is not null").arg(column);
        db::Recordset rs;
        switch (m_target) {
        case kClassRank: // a row without a class is in no class
            rs = reports::Query(connection,
                                QStringLiteral("select %1, class").arg(column) + present +
                                    QStringLiteral(" and class is not null"),
                                {examId});
            break;
        case kGradeRank:
            rs = reports::Query(connection, QStringLiteral("select %1").arg(column) + present, {examId});
            break;
        default:
            rs = reports::Query(
                connection, QStringLiteral("select %1").arg(column) + present + QStringLiteral(" and worl=?"),
                {examId, ScopeStream()});
            break;
        }
        const bool byClass = m_target == kClassRank;
        QHash<int, std::vector<long long>> keys;
        for (; !rs.IsEOF(); rs.MoveNext())
            keys[byClass ? rs.Field(1).ToInt() : 0].push_back(reports::RankKey(rs.Field(0).ToDouble()));
        rs.Close();
        for (auto it = keys.begin(); it != keys.end(); ++it)
            m_ranks.insert(it.key(), reports::CRanking(std::move(it.value())));
    }

    int m_target;
    QHash<QString, OwnRow> m_own;
    QHash<int, reports::CRanking> m_ranks;
};

// A LIKE pattern, escaped with a backslash, for the texts that begin with `prefix`.
QString PrefixPattern(const QString& prefix) {
    QString pattern;
    for (const QChar c : prefix) {
        if (c == u'%' || c == u'_' || c == u'\\')
            pattern += u'\\';
        pattern += c;
    }
    return pattern + u'%';
}

bool IsSingleByte(QChar c) {
    return c.unicode() < 0x80;
}

} // namespace

QStringList TrackTargetItems() {
    return {QStringLiteral("班级名次"), QStringLiteral("年级名次"), QStringLiteral("文科名次"),
            QStringLiteral("理科名次")};
}

QString SubjectNotListedMessage() {
    return QStringLiteral("对不起，科目只能在列表中选择！");
}

std::vector<TrackExam> GradeExams(db::Connection& connection, CTextCipher& cipher, const QString& gradeCode) {
    std::vector<TrackExam> exams;
    db::Recordset rs = reports::Query(
        connection, QStringLiteral("select id, mydesc from tavrinKSLB where grade=? order by ksrq"),
        {gradeCode});
    for (; !rs.IsEOF(); rs.MoveNext()) {
        TrackExam e;
        if (!rs.Field(0).IsNull())
            e.id = rs.Field(0).ToInt();
        if (!rs.Field(1).IsNull())
            e.name = cipher.DecodeText(data::DescriptionKey(), rs.Field(1).ToString());
        exams.push_back(std::move(e));
    }
    rs.Close();
    return exams;
}

QStringList TrackSubjects(db::Connection& connection, CTextCipher& cipher) {
    QStringList items;
    db::Recordset rs = reports::Query(connection, QStringLiteral("select mydesc from tavrinKMK order by id"));
    if (rs.IsEOF())
        return items;
    items << res::LoadString(IDS_ARTS_TOTAL) << res::LoadString(IDS_SCIENCE_TOTAL)
          << res::LoadString(IDS_TOTAL);
    for (; !rs.IsEOF(); rs.MoveNext())
        items << (rs.Field(0).IsNull() ? QString()
                                       : cipher.DecodeText(data::DescriptionKey(), rs.Field(0).ToString()));
    rs.Close();
    return items;
}

std::vector<int> TotalsRead(const QString& column) {
    for (int k = 1; k <= 3; ++k)
        if (column.compare(reports::TotalColumn(k), Qt::CaseInsensitive) == 0)
            return {k - 1};
    return {};
}

std::optional<QString> SubjectColumn(db::Connection& connection, CTextCipher& cipher,
                                     const QString& subject) {
    if (subject == res::LoadString(IDS_ARTS_TOTAL))
        return reports::TotalColumn(1);
    if (subject == res::LoadString(IDS_SCIENCE_TOTAL))
        return reports::TotalColumn(2);
    if (subject == res::LoadString(IDS_TOTAL))
        return reports::TotalColumn(3);
    if (subject.isEmpty())
        return std::nullopt;
    try {
        db::Recordset rs =
            reports::Query(connection, QStringLiteral("select fldname from tavrinKMK where mydesc=?"),
                           {cipher.EncodeText(data::DescriptionKey(), subject)});
        std::optional<QString> column;
        if (!rs.IsEOF() && !rs.Field(0).IsNull()) {
            const QString field = rs.Field(0).ToString();
            if (field.size() == 3 && IsScoreColumn(field))
                column = reports::ScoreColumn(field.mid(1).toInt());
        }
        rs.Close();
        return column;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score column of a subject not read:" << e.Message();
        return std::nullopt;
    }
}

TrackScore GetStudentRank(db::Connection& connection, int examId, const QString& column,
                          const QString& studentId, int target) {
    try {
        return CExamRanking(connection, examId, column, {studentId}, target).Score(studentId);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score of" << studentId << "in exam" << examId << "not read:" << e.Message();
        return {};
    }
}

QString PadShortName(const QString& name) {
    QString n = name;
    while (n.endsWith(u' '))
        n.chop(1);
    if (text::GbkLength(n) != 4)
        return n;
    const bool twoWide = n.size() == 2 && !IsSingleByte(n[0]) && !IsSingleByte(n[1]);
    const bool fourNarrow = n.size() == 4 && std::all_of(n.begin(), n.end(), IsSingleByte);
    if (!twoWide && !fourNarrow)
        return n;
    const int half = int(n.size()) / 2;
    return n.left(half) + QStringLiteral("　") + n.mid(half);
}

std::vector<TrackStudent> ClassStudents(db::Connection& connection, const QString& gradePattern,
                                        int classNo) {
    std::vector<TrackStudent> students;
    db::Recordset rs =
        reports::Query(connection,
                       QStringLiteral("select studentid, name from tavrinName "
                                      "where grade like ? escape '\\' and class=? order by studentid"),
                       {PrefixPattern(gradePattern), classNo});
    for (; !rs.IsEOF(); rs.MoveNext()) {
        TrackStudent s;
        if (!rs.Field(0).IsNull())
            s.studentId = rs.Field(0).ToString();
        if (!rs.Field(1).IsNull())
            s.name = PadShortName(rs.Field(1).ToString());
        students.push_back(std::move(s));
    }
    rs.Close();
    return students;
}

CReportTable StudentListTable(const std::vector<TrackStudent>& students) {
    CReportTable table(int(students.size()) + 1, 2);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(2);
    table.SetText(0, 0, QStringLiteral("学号"));
    table.SetText(0, 1, QStringLiteral("姓名"));
    for (std::size_t i = 0; i < students.size(); ++i) {
        table.SetText(int(i) + 1, 0, students[i].studentId);
        table.SetText(int(i) + 1, 1, students[i].name);
    }
    return table;
}

double WeightOf(const QString& text) {
    // The longest leading decimal number, as atof reads it.
    static const QRegularExpression re(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return 0;
    QString number = m.captured(0).trimmed();
    bool ok = false;
    double v = number.toDouble(&ok);
    if (!ok && !m.captured(2).isEmpty()) // an exponent out of range: the number before it
        v = number.left(number.size() - m.captured(2).size()).toDouble(&ok);
    return ok ? double(float(v)) : 0;
}

int CompareCells(const QString& title, const QString& a, const QString& b) {
    if (title == QStringLiteral("姓名") || title == QStringLiteral("考试") || title == QStringLiteral("文理"))
        return text::CompareGbk(a, b);
    const double x = reports::ParseNumber(a).value_or(0);
    const double y = reports::ParseNumber(b).value_or(0);
    return x < y ? -1 : (x > y ? 1 : 0);
}

CReportTable TrackTable(db::Connection& connection, const std::vector<TrackStudent>& students,
                        const std::vector<TrackedExam>& exams, const QString& column, int target) {
    const int rows = int(students.size()) + 1;
    const int cols = 2 + 2 * int(exams.size()) + 1;
    CReportTable table(rows, cols);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(2);
    table.SetText(0, 0, QStringLiteral("学号"));
    table.SetText(0, 1, QStringLiteral("姓名"));
    table.SetText(0, cols - 1, QStringLiteral("综合"));
    for (int j = 1; j < rows; ++j) {
        table.SetText(j, 0, students[std::size_t(j - 1)].studentId);
        table.SetText(j, 1, students[std::size_t(j - 1)].name);
    }

    QStringList ids;
    for (const TrackStudent& s : students)
        ids << s.studentId;
    int c = 0;
    for (const TrackedExam& exam : exams) {
        c += 2;
        table.SetText(0, c, QStringLiteral("第%1次").arg(exam.position));
        table.SetText(0, c + 1, res::LoadString(IDS_RANK));
        const double weight = WeightOf(exam.weightText);
        std::optional<CExamRanking> ranking;
        try {
            ranking.emplace(connection, exam.examId, column, ids, target);
        } catch (const db::DbError& e) {
            // The exam's cells stay empty, as for a student without a score.
            qCWarning(vlog::db) << "scores of exam" << exam.examId << "not read:" << e.Message();
            continue;
        }
        for (int j = 1; j < rows; ++j) {
            const TrackScore s = ranking->Score(table.Text(j, 0));
            if (!s.score)
                continue;
            table.SetText(j, c, reports::Format62(*s.score), CellAlign::Right);
            table.SetText(j, c + 1, s.rank ? QString::number(*s.rank) : QString(), CellAlign::Right);
            if (weight > 0) {
                const double sum = reports::ParseNumber(table.Text(j, cols - 1)).value_or(0);
                table.SetText(j, cols - 1, reports::Format62(sum + *s.score * weight));
            }
        }
    }

    // From the highest sum down; equal sums keep their order, so a second run changes nothing.
    std::vector<int> order(std::size_t(rows - 1));
    for (int j = 1; j < rows; ++j)
        order[std::size_t(j - 1)] = j;
    const QString sumTitle = table.Text(0, cols - 1);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return CompareCells(sumTitle, table.Text(x, cols - 1), table.Text(y, cols - 1)) > 0;
    });
    CReportTable sorted(rows, cols);
    sorted.SetFixedRowCount(1);
    sorted.SetFixedColumnCount(2);
    for (int col = 0; col < cols; ++col)
        sorted.SetText(0, col, table.Text(0, col));
    for (int j = 1; j < rows; ++j)
        for (int col = 0; col < cols; ++col) {
            const CReportCell* cell = table.Cell(order[std::size_t(j - 1)], col);
            sorted.SetText(j, col, cell->text, cell->align);
        }
    return sorted;
}

// ---- the score-tracking chart ---------------------------------------------------------------

namespace {

QString StreamOf(int target) {
    return RankStream(target == kTraceArtsRank);
}

bool IsStreamTarget(int target) {
    return target == kTraceArtsRank || target == kTraceScienceRank;
}

void CheckScoreColumn(const QString& column) {
    if (!IsScoreColumn(column))
        throw std::invalid_argument("not a score column");
}

} // namespace

QStringList TraceTargetItems() {
    return QStringList{QStringLiteral("原始分数")} + TrackTargetItems();
}

std::optional<double> StudentTraceValue(db::Connection& connection, int examId, const QString& column,
                                        const QString& studentId, int target) {
    CheckScoreColumn(column);
    if (target < kTraceScore || target > kTraceScienceRank)
        return std::nullopt;
    db::Recordset own = reports::Query(
        connection,
        QStringLiteral("select class, worl, %1 from tavrinKSK where id=? and studentid=? limit 1")
            .arg(column),
        {examId, studentId});
    // No row, or no score in it: no bar, as the tracking table leaves both cells empty.
    if (own.IsEOF() || own.Field(2).IsNull())
        return std::nullopt;
    // The class scope is the student's class in this exam; a row without a class ranks among
    // the class-0 rows, as the tracking table ranks it.
    const int cls = own.Field(0).IsNull() ? 0 : own.Field(0).ToInt();
    const QString worl = own.Field(1).IsNull() ? QString() : own.Field(1).ToString();
    const double score = own.Field(2).ToDouble();
    own.Close();
    if (target == kTraceScore)
        return score;
    // A stream rank is only for a student of that stream in this exam.
    if (IsStreamTarget(target) && worl != StreamOf(target))
        return std::nullopt;

    // The scores shown above this one: at least the least value with the next key up.
    QString sql = QStringLiteral("select count(*) from tavrinKSK where id=? and %1>=?").arg(column);
    std::vector<db::Variant> params{examId, reports::LeastWithKey(reports::RankKey(score) + 1)};
    if (target == kTraceClassRank) {
        sql += QStringLiteral(" and class=?");
        params.emplace_back(cls);
    } else if (IsStreamTarget(target)) {
        sql += QStringLiteral(" and worl=?");
        params.emplace_back(StreamOf(target));
    }
    db::Recordset rs = reports::Query(connection, sql, params);
    const int higher = rs.IsEOF() || rs.Field(0).IsNull() ? 0 : rs.Field(0).ToInt();
    rs.Close();
    return higher + 1;
}

std::optional<double> ClassAverage(db::Connection& connection, int examId, const QString& column,
                                   int classNo) {
    CheckScoreColumn(column);
    // avg is NULL both without a row and when every score of the class is NULL.
    db::Recordset rs = reports::Query(
        connection, QStringLiteral("select avg(%1) from tavrinKSK where id=? and class=?").arg(column),
        {examId, classNo});
    std::optional<double> average;
    if (!rs.IsEOF() && !rs.Field(0).IsNull())
        average = rs.Field(0).ToDouble();
    rs.Close();
    return average;
}

std::optional<int> ClassRank(db::Connection& connection, int examId, const QString& column, int classNo,
                             int target) {
    CheckScoreColumn(column);
    if (target == kTraceClassRank) {
        db::Recordset rs = reports::Query(
            connection, QStringLiteral("select count(%1) from tavrinKSK where id=? and class=?").arg(column),
            {examId, classNo});
        const bool present = !rs.IsEOF() && rs.Field(0).ToInt() > 0;
        rs.Close();
        return present ? std::optional<int>(1) : std::nullopt;
    }
    if (target != kTraceGradeRank && !IsStreamTarget(target))
        return std::nullopt;

    QString sql =
        QStringLiteral("select class, avg(%1) from tavrinKSK where id=? and class is not null").arg(column);
    std::vector<db::Variant> params{examId};
    if (IsStreamTarget(target)) {
        sql += QStringLiteral(" and worl=?");
        params.emplace_back(StreamOf(target));
    }
    sql += QStringLiteral(" group by class");
    db::Recordset rs = reports::Query(connection, sql, params);
    // Each class's average at two decimals; none for a class whose scores are all NULL.
    std::vector<std::optional<long long>> others;
    std::optional<long long> own;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const std::optional<long long> key =
            rs.Field(1).IsNull() ? std::nullopt
                                 : std::optional<long long>(reports::RankKey(rs.Field(1).ToDouble()));
        if (rs.Field(0).ToInt() == classNo)
            own = key;
        else
            others.push_back(key);
    }
    rs.Close();
    // A class without a score in the scope (no row of it, no row of that stream in the exam, or
    // only NULL scores) has no average to rank.
    if (!own)
        return std::nullopt;
    int higher = 0;
    for (const auto& key : others)
        if (key && *key > *own)
            ++higher;
    return higher + 1;
}

std::vector<int> RosterClasses(db::Connection& connection, const QString& gradeCode, int target) {
    QString sql =
        QStringLiteral("select class from tavrinName where grade like ? escape '\\' and class is not null");
    std::vector<db::Variant> params{PrefixPattern(gradeCode)};
    if (IsStreamTarget(target)) {
        sql += QStringLiteral(" and worl=?");
        params.emplace_back(StreamOf(target));
    }
    sql += QStringLiteral(" group by class order by class");
    std::vector<int> classes;
    db::Recordset rs = reports::Query(connection, sql, params);
    for (; !rs.IsEOF(); rs.MoveNext())
        classes.push_back(rs.Field(0).ToInt());
    rs.Close();
    return classes;
}

std::vector<RosterStudent> ClassRoster(db::Connection& connection, const QString& gradeCode, int classNo) {
    std::vector<RosterStudent> students;
    db::Recordset rs =
        reports::Query(connection,
                       QStringLiteral("select studentid, name from tavrinName "
                                      "where grade like ? escape '\\' and class=? order by studentid"),
                       {PrefixPattern(gradeCode), classNo});
    for (; !rs.IsEOF(); rs.MoveNext()) {
        RosterStudent s;
        if (!rs.Field(0).IsNull())
            s.studentId = rs.Field(0).ToString();
        if (!rs.Field(1).IsNull())
            s.name = rs.Field(1).ToString();
        students.push_back(std::move(s));
    }
    rs.Close();
    return students;
}

std::vector<std::optional<double>> StudentTrace(db::Connection& connection, const std::vector<int>& examIds,
                                                const QString& column, const QString& studentId, int target) {
    std::vector<std::optional<double>> bars;
    for (const int examId : examIds) {
        try {
            bars.push_back(StudentTraceValue(connection, examId, column, studentId, target));
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "trace of" << studentId << "in exam" << examId
                                << "not read:" << e.Message();
            bars.emplace_back();
        }
    }
    return bars;
}

std::vector<std::optional<double>> ClassTrace(db::Connection& connection, const std::vector<int>& examIds,
                                              const QString& column, int classNo, int target) {
    std::vector<std::optional<double>> bars;
    for (const int examId : examIds) {
        try {
            if (target == kTraceScore) {
                bars.push_back(ClassAverage(connection, examId, column, classNo));
            } else {
                const std::optional<int> rank = ClassRank(connection, examId, column, classNo, target);
                bars.push_back(rank ? std::optional<double>(*rank) : std::nullopt);
            }
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "trace of class" << classNo << "in exam" << examId
                                << "not read:" << e.Message();
            bars.emplace_back();
        }
    }
    return bars;
}

} // namespace analysis
