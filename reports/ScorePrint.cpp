#include "reports/ScorePrint.h"

#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace reports {
namespace {

const QString kArts = QStringLiteral("文");
const QString kScience = QStringLiteral("理");

QString RankTitle() {
    return res::LoadString(57660); // 名次
}

// The ranks of one column within one scope, from one query: the rank of a value is 1 + the number
// of the scope's values above it, compared at the two decimals shown.
class CScopeRanks {
public:
    CScopeRanks(db::Connection& connection, int examId, const QString& column, const QString& stream,
                int classNo, bool single)
        : m_single(single) {
        QString sql = QStringLiteral("SELECT %1 FROM tavrinKSK WHERE id=? and %1 is not null").arg(column);
        std::vector<db::Variant> params{examId};
        if (!stream.isEmpty()) {
            sql += QStringLiteral(" and worl=?");
            params.emplace_back(stream);
        }
        if (classNo >= 0) {
            sql += QStringLiteral(" and class=?");
            params.emplace_back(classNo);
        }
        std::vector<long long> keys;
        for (db::Recordset rs = Query(connection, sql, params); !rs.IsEOF(); rs.MoveNext())
            keys.push_back(Key(rs.Field(0).ToDouble()));
        m_ranking = CRanking(std::move(keys));
    }

    int Rank(double value) const { return m_ranking.RankOfKey(Key(value)); }

private:
    long long Key(double v) const { return RankKey(m_single ? static_cast<float>(v) : v); }

    bool m_single;
    CRanking m_ranking;
};

struct SubjectColumn {
    int no;
    int col;
    int rankCol; // -1 without a rank
    std::optional<CScopeRanks> ranks;
};

// The column plan of one list and the ranks it needs. The judges point at ranks the plan holds,
// so a plan stays where it was made.
struct Plan {
    Plan() = default;
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    int gradeRankCol = -1;
    int classRankCol = -1;
    int artsCol = -1;
    int scienceCol = -1;
    std::vector<SubjectColumn> subjects;

    std::optional<CScopeRanks> gradeRanks, classRanks, artsRanks, scienceRanks, artsStreamRanks,
        scienceStreamRanks;
    // The ranks a range on a stream total judges by; null when no range is on that total.
    const CScopeRanks* artsJudge = nullptr;
    const CScopeRanks* scienceJudge = nullptr;
};

int AddTitle(CReportTable& table, const QString& title, CellAlign align = CellAlign::Default) {
    const int col = table.ColumnCount();
    table.SetColumnCount(col + 1);
    table.SetText(0, col, title, align);
    return col;
}

// Whether a rank within the range keeps the row: Keep, Drop (go on) or End (drop, list ends).
enum class Verdict { Keep, Drop, End };
Verdict Judge(const ScorePrintOptions& o, int total, int rank) {
    if (o.limit == RangeLimit::None || o.limitTotal != total)
        return Verdict::Keep;
    if (o.limit == RangeLimit::Top)
        return rank > o.x ? Verdict::End : Verdict::Keep;
    return rank <= o.x ? Verdict::Drop : Verdict::Keep;
}

void CopyRow(const CReportTable& from, int fromRow, CReportTable& to, int toRow) {
    for (int c = 0; c < from.ColumnCount(); ++c) {
        const CReportCell* cell = from.Cell(fromRow, c);
        to.SetText(toRow, c, cell->text, cell->align);
        if (cell->background.isValid())
            to.SetBackground(toRow, c, cell->background);
    }
}

// Score slips: before every student row after the first, a blank row and a copy of the titles
// (right-aligned), so that student k stands in row 3k - 2.
void LayOutSlips(CReportTable& table) {
    const int students = table.RowCount() - 1;
    if (students < 2)
        return;
    CReportTable slips(1 + 3 * (students - 1) + 1, table.ColumnCount());
    slips.SetFixedRowCount(table.FixedRowCount());
    slips.SetFixedColumnCount(table.FixedColumnCount());
    slips.caption = table.caption;
    CopyRow(table, 0, slips, 0);
    for (int k = 1; k <= students; ++k) {
        const int row = 3 * k - 2;
        if (k > 1) {
            slips.SetKind(row - 2, RowKind::Separator);
            slips.SetKind(row - 1, RowKind::BlockTitle);
            for (int c = 0; c < table.ColumnCount(); ++c)
                slips.SetText(row - 1, c, table.Text(0, c), CellAlign::Right);
        }
        CopyRow(table, k, slips, row);
    }
    table = std::move(slips);
}

} // namespace

QStringList StreamTotalItems() {
    return {QStringLiteral("都不打印"),     QStringLiteral("文总年级名次"), QStringLiteral("文总文科名次"),
            QStringLiteral("理总年级名次"), QStringLiteral("理总理科名次"), QStringLiteral("文理年级名次")};
}

QStringList ClassRangeItems() {
    return {QStringLiteral("所有学生"),       QStringLiteral("总分年级前Ｘ名"),
            QStringLiteral("总分年级Ｘ名后"), QStringLiteral("文总文科前Ｘ名"),
            QStringLiteral("文总文科Ｘ名后"), QStringLiteral("理总理科前Ｘ名"),
            QStringLiteral("理总理科Ｘ名后")};
}

QStringList GradeRangeItems() {
    return {
        QStringLiteral("年级全体学生"),   QStringLiteral("年级总分前Ｘ名"), QStringLiteral("年级总分Ｘ名后"),
        QStringLiteral("文科班全体学生"), QStringLiteral("文科班前Ｘ名"),   QStringLiteral("文科班Ｘ名后"),
        QStringLiteral("理科班全体学生"), QStringLiteral("理科班前Ｘ名"),   QStringLiteral("理科班Ｘ名后")};
}

namespace {

// What both dialogs share: the stream-total item and a range on total `total` (3 for sum3, 1 the
// arts stream, 2 the science stream) keeping `limit`.
void ApplyStreamChoices(ScorePrintOptions& o, int streamItem, int total, RangeLimit limit, int x) {
    o.showArts = streamItem == 1 || streamItem == 2 || streamItem == 5;
    o.showScience = streamItem == 3 || streamItem == 4 || streamItem == 5;
    o.orderTotal = total;
    o.limitTotal = total;
    o.limit = limit;
    o.x = x;
    // The rank shown is the one the box names; a stream's range lists that stream only and judges
    // its total by the rank within it (ListScorePrint).
    o.artsInStream = streamItem == 2;
    o.scienceInStream = streamItem == 4;
}

} // namespace

ScorePrintOptions ClassScorePrintOptions(int classNo, int totalRank, int subjectRank, int streamItem,
                                         int rangeItem, int x, int mode) {
    ScorePrintOptions o;
    o.classNo = classNo;
    o.gradeRank = totalRank == 0 || totalRank == 2;
    o.classRank = totalRank == 1 || totalRank == 2;
    const RankScope subjects[] = {RankScope::Grade, RankScope::Arts, RankScope::Science, RankScope::Class};
    o.subjectRank = subjectRank >= 0 && subjectRank < 4 ? subjects[subjectRank] : RankScope::None;
    int total = 3;
    RangeLimit limit = RangeLimit::None;
    if (rangeItem >= 1 && rangeItem <= 6) {
        total = rangeItem <= 2 ? 3 : rangeItem <= 4 ? 1 : 2;
        limit = rangeItem % 2 == 1 ? RangeLimit::Top : RangeLimit::After;
    }
    ApplyStreamChoices(o, streamItem, total, limit, x);
    o.slips = mode == 1;
    return o;
}

ScorePrintOptions GradeScorePrintOptions(int totalRank, int subjectRank, int streamItem, int rangeItem,
                                         int x) {
    ScorePrintOptions o;
    o.gradeRank = totalRank == 1;
    const RankScope subjects[] = {RankScope::None, RankScope::Grade, RankScope::Arts, RankScope::Science};
    o.subjectRank = subjectRank >= 0 && subjectRank < 4 ? subjects[subjectRank] : RankScope::None;
    int total = 3;
    RangeLimit limit = RangeLimit::None;
    if (rangeItem >= 0 && rangeItem <= 8) {
        const int totals[] = {3, 1, 2};
        total = totals[rangeItem / 3];
        const RangeLimit limits[] = {RangeLimit::None, RangeLimit::Top, RangeLimit::After};
        limit = limits[rangeItem % 3];
    }
    ApplyStreamChoices(o, streamItem, total, limit, x);
    return o;
}

std::vector<int> TotalsRead(const ScorePrintOptions& o) {
    std::vector<int> types{2};
    if (o.showArts || o.orderTotal == 1 || (o.limit != RangeLimit::None && o.limitTotal == 1))
        types.push_back(0);
    if (o.showScience || o.orderTotal == 2 || (o.limit != RangeLimit::None && o.limitTotal == 2))
        types.push_back(1);
    return types;
}

CReportTable InitialScorePrintTable() {
    CReportTable table(1, 4);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(2);
    table.SetText(0, 0, QStringLiteral("学号"), CellAlign::Right);
    table.SetText(0, 1, QStringLiteral("姓名"), CellAlign::Center);
    table.SetText(0, 2, QStringLiteral("班级"), CellAlign::Right);
    table.SetText(0, 3, QStringLiteral("总分"), CellAlign::Right);
    return table;
}

QString ScorePrintCaption(const QString& examText) {
    return ExamTitle(examText) + QStringLiteral("成绩打印");
}

QString GradeScorePrintCaption(const QString& examText) {
    return ExamTitle(examText) + QStringLiteral("年级成绩打印");
}

QString SpacedName(const QString& name) {
    QString n = name;
    while (!n.isEmpty() && n.back().isSpace())
        n.chop(1);
    if (n.size() == 2 && text::GbkLength(n.left(1)) == 2 && text::GbkLength(n.mid(1)) == 2)
        n.insert(1, QStringLiteral("　"));
    return n;
}

namespace {

// The titles of the chosen columns, in the list's order.
void AddListTitles(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                   const ScorePrintOptions& o, CReportTable& table, Plan& plan) {
    if (o.gradeRank)
        plan.gradeRankCol = AddTitle(table, RankTitle());
    if (o.classRank)
        plan.classRankCol = AddTitle(table, RankTitle());
    if (o.showArts) {
        plan.artsCol = AddTitle(table, res::LoadString(57672)); // 文总
        AddTitle(table, RankTitle());
    }
    if (o.showScience) {
        plan.scienceCol = AddTitle(table, res::LoadString(57673)); // 理总
        AddTitle(table, RankTitle());
    }
    for (const int no : context.ParticipatingSubjects()) {
        QString name;
        GetSubjectName(connection, cipher, no, name);
        SubjectColumn s{no, AddTitle(table, name, CellAlign::Right), -1, std::nullopt};
        if (o.subjectRank != RankScope::None)
            s.rankCol = AddTitle(table, RankTitle(), CellAlign::Right);
        plan.subjects.push_back(std::move(s));
    }
}

// One query per ranked column, and per total a range judges by.
void OpenRanks(db::Connection& connection, int examId, const ScorePrintOptions& o, Plan& plan) {
    const bool limitOn = o.limit != RangeLimit::None;
    const int classScope = o.classNo;
    if (o.gradeRank || (limitOn && o.limitTotal == 3))
        plan.gradeRanks.emplace(connection, examId, TotalColumn(3), QString(), -1, false);
    if (o.classRank)
        plan.classRanks.emplace(connection, examId, TotalColumn(3), QString(), classScope, false);
    // A stream total's ranks: the ones its column shows, and those the range judges by (within the
    // stream), one query when they are the same.
    const auto streamRanks = [&](int which, bool shown, bool inStream, const QString& stream,
                                 std::optional<CScopeRanks>& shownRanks,
                                 std::optional<CScopeRanks>& streamOnly) -> const CScopeRanks* {
        const bool judged = limitOn && o.limitTotal == which;
        if (shown)
            shownRanks.emplace(connection, examId, TotalColumn(which), inStream ? stream : QString(), -1,
                               true);
        if (!judged)
            return nullptr;
        if (shown && inStream)
            return &*shownRanks;
        streamOnly.emplace(connection, examId, TotalColumn(which), stream, -1, true);
        return &*streamOnly;
    };
    plan.artsJudge = streamRanks(1, o.showArts, o.artsInStream, kArts, plan.artsRanks, plan.artsStreamRanks);
    plan.scienceJudge = streamRanks(2, o.showScience, o.scienceInStream, kScience, plan.scienceRanks,
                                    plan.scienceStreamRanks);
    for (SubjectColumn& s : plan.subjects) {
        if (s.rankCol < 0)
            continue;
        const QString stream = o.subjectRank == RankScope::Arts      ? kArts
                               : o.subjectRank == RankScope::Science ? kScience
                                                                     : QString();
        s.ranks.emplace(connection, examId, ScoreColumn(s.no), stream,
                        o.subjectRank == RankScope::Class ? classScope : -1, false);
    }
}

// The listed students, best first by the total the list is ordered by.
db::Recordset QueryList(db::Connection& connection, int examId, const ScorePrintOptions& o,
                        const Plan& plan) {
    const QString listStream = o.orderTotal == 1 ? kArts : o.orderTotal == 2 ? kScience : QString();
    QString sql = QStringLiteral("SELECT studentid,name,class,sum3,sum1,sum2");
    for (const SubjectColumn& s : plan.subjects)
        sql += u',' + ScoreColumn(s.no);
    sql += QStringLiteral(" FROM tavrinKSK WHERE id=?");
    std::vector<db::Variant> params{examId};
    if (o.classNo >= 0) {
        sql += QStringLiteral(" and class=?");
        params.emplace_back(o.classNo);
    }
    if (!listStream.isEmpty()) {
        sql += QStringLiteral(" and worl=?");
        params.emplace_back(listStream);
    }
    sql += QStringLiteral(" order by %1 desc").arg(TotalColumn(o.orderTotal));
    return Query(connection, sql, params);
}

// Fills row `row` from the record set's current student and says whether the range keeps it.
Verdict FillListRow(db::Recordset& rs, const ScorePrintOptions& o, const Plan& plan, CReportTable& table,
                    int row, CNumberTexts& texts, CNumberTexts& classTexts) {
    const auto number = [&](int col, double value) {
        table.SetText(row, col, texts.Fixed62(value), CellAlign::Right);
    };
    const auto rank = [&](int col, int value) {
        table.SetText(row, col, texts.Int(value), CellAlign::Right);
    };

    table.SetText(row, 0, rs.Field(0).ToString(), CellAlign::Right);
    table.SetText(row, 1, SpacedName(rs.Field(1).ToString()), CellAlign::Left);
    if (!rs.Field(2).IsNull())
        table.SetText(row, 2, classTexts.Int(rs.Field(2).ToInt64()), CellAlign::Right);
    else
        table.SetAlign(row, 2, CellAlign::Right);

    // Each total in the range's order of checks: the total, the arts total, the science total.
    Verdict verdict = Verdict::Keep;
    const auto judge = [&](int which, int r) {
        if (verdict == Verdict::Keep)
            verdict = Judge(o, which, r);
    };
    if (const db::Variant& sum = rs.Field(3); !sum.IsNull()) {
        number(3, sum.ToDouble());
        if (plan.gradeRanks) {
            const int r = plan.gradeRanks->Rank(sum.ToDouble());
            judge(3, r);
            if (plan.gradeRankCol >= 0)
                rank(plan.gradeRankCol, r);
        }
        if (plan.classRanks)
            rank(plan.classRankCol, plan.classRanks->Rank(sum.ToDouble()));
    }
    const auto streamTotal = [&](const db::Variant& v, int which, const std::optional<CScopeRanks>& shown,
                                 const CScopeRanks* judged, int col) {
        if (v.IsNull())
            return;
        const double value = static_cast<float>(v.ToDouble()); // shown and ranked at single precision
        if (judged)
            judge(which, judged->Rank(value));
        if (shown && col >= 0) {
            number(col, value);
            rank(col + 1, shown->Rank(value));
        }
    };
    streamTotal(rs.Field(4), 1, plan.artsRanks, plan.artsJudge, plan.artsCol);
    streamTotal(rs.Field(5), 2, plan.scienceRanks, plan.scienceJudge, plan.scienceCol);
    if (verdict != Verdict::Keep)
        return verdict;
    for (std::size_t i = 0; i < plan.subjects.size(); ++i) {
        const SubjectColumn& s = plan.subjects[i];
        const db::Variant& v = rs.Field(6 + int(i));
        if (v.IsNull())
            continue;
        number(s.col, v.ToDouble());
        if (s.ranks)
            rank(s.rankCol, s.ranks->Rank(v.ToDouble()));
    }
    return Verdict::Keep;
}

} // namespace

void ListScorePrint(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                    const ScorePrintOptions& o, CReportTable& table) {
    table = InitialScorePrintTable();
    if (!context.HasExam())
        return;
    const int examId = context.m_nAnalysisExamId;
    Plan plan;
    AddListTitles(connection, cipher, context, o, table, plan);
    OpenRanks(connection, examId, o, plan);

    CNumberTexts texts(4), classTexts(1);
    for (db::Recordset rs = QueryList(connection, examId, o, plan); !rs.IsEOF(); rs.MoveNext()) {
        const int row = table.RowCount();
        table.SetRowCount(row + 1);
        const Verdict verdict = FillListRow(rs, o, plan, table, row, texts, classTexts);
        if (verdict == Verdict::Keep)
            continue;
        table.SetRowCount(row);
        if (verdict == Verdict::End)
            break;
    }
    if (o.slips)
        LayOutSlips(table);
}

} // namespace reports
