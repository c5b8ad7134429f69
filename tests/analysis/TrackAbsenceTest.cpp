// The tracking values of a sample school's year in which not everything was sat: the student the
// generator leaves absent from the first exam (every score NULL), the second subject set in
// nobody's second exam, the second class without a first-subject score in the second exam, no
// stream on any row of the first exam (before the 文理 split) and the third class all science in
// the third exam.

#include "analysis/TrackQueries.h"
#include "fixtures/SchoolFixture.h"
#include "reports/Format.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace analysis;

namespace {

class TrackAbsenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        fixtures::SchoolOptions o;
        o.grades = 1;
        o.classesPerGrade = 3;
        o.minStudents = 12;
        o.maxStudents = 16;
        o.subjects = 3;
        o.examsPerGrade = 3;
        o.fillTotals = true;
        m_school = fixtures::MakeSchool(m_dir.filePath(QStringLiteral("school.mdb")), o);
        m_db.OpenFile(m_school.path, fixtures::DatabasePassword());
        ASSERT_EQ(m_school.exams.size(), 3u);
        for (const fixtures::ExamInfo& e : m_school.exams)
            m_exams.push_back(e.id);
        m_grade = m_school.grades[0].code;
        m_first = m_school.subjects[0].field;
        m_unsat = m_school.subjects[1].field;
        m_absent = m_school.edges.absentExam.studentId;
        ASSERT_EQ(m_school.edges.absentExam.examId, m_exams[0]);
        m_classes = m_school.grades[0].classes;
        ASSERT_EQ(m_classes.size(), 3u);

        m_db.Execute(
            QStringLiteral("UPDATE tavrinKSK SET sum1=NULL, sum2=NULL, sum3=NULL WHERE id=? AND studentid=?"),
            m_exams[0], m_absent);
        m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET worl=NULL WHERE id=?"), m_exams[0]);
        m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET %1=NULL WHERE id=?").arg(m_unsat), m_exams[1]);
        m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET %1=NULL WHERE id=? AND class=?").arg(m_first),
                     m_exams[1], m_classes[1]);
        m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET worl='理' WHERE id=? AND class=?"), m_exams[2],
                     m_classes[2]);

        for (db::Recordset rs =
                 m_db.Execute(QStringLiteral("SELECT id, studentid, class, worl FROM tavrinKSK"));
             !rs.IsEOF(); rs.MoveNext()) {
            Row& r = m_rows[{rs.Field(0).ToInt(), rs.Field(1).ToString()}];
            r.cls = rs.Field(2).ToInt();
            r.worl = rs.Field(3).IsNull() ? QString() : rs.Field(3).ToString();
        }
        ASSERT_TRUE(m_rows.count({m_exams[0], m_absent}));
    }

    // The students of a class of the roster, as the tracking table lists them.
    std::vector<TrackStudent> Students(int cls) { return ClassStudents(m_db, m_grade, cls); }
    std::vector<QString> SittersOf(int exam) const {
        std::vector<QString> ids;
        for (const auto& [key, row] : m_rows)
            if (key.first == exam)
                ids.push_back(key.second);
        return ids;
    }
    const QString& WorlOf(int exam, const QString& id) const { return m_rows.at({exam, id}).worl; }
    std::vector<TrackedExam> Tracked() const {
        std::vector<TrackedExam> exams;
        for (std::size_t i = 0; i < m_exams.size(); ++i)
            exams.push_back({int(i) + 1, m_exams[i], QStringLiteral("1.0")});
        return exams;
    }

    struct Row {
        int cls = 0;
        QString worl;
    };
    QTemporaryDir m_dir;
    fixtures::SchoolInfo m_school;
    db::Connection m_db;
    std::vector<int> m_exams;
    std::vector<int> m_classes; // three, ascending
    QString m_grade, m_first, m_unsat, m_absent;
    std::map<std::pair<int, QString>, Row> m_rows;
};

const QString kSum3 = QStringLiteral("sum3");

TEST_F(TrackAbsenceTest, AnAbsenceGivesNoBarNoRankAndNoAverage) {
    // The absent student: nothing in the exam he missed, his scores and ranks in the others.
    for (int target = kTraceScore; target <= kTraceGradeRank; ++target) {
        const auto bars = StudentTrace(m_db, m_exams, kSum3, m_absent, target);
        ASSERT_EQ(bars.size(), 3u);
        EXPECT_FALSE(bars[0]) << target;
        EXPECT_TRUE(bars[1] && bars[2]) << target;
    }
    // Nobody sat the subject in the second exam: no student's bar, no class average or rank.
    for (const QString& id : SittersOf(m_exams[1]))
        for (int target = kTraceScore; target <= kTraceScienceRank; ++target)
            EXPECT_FALSE(StudentTraceValue(m_db, m_exams[1], m_unsat, id, target)) << target;
    for (const int cls : m_classes) {
        EXPECT_FALSE(ClassAverage(m_db, m_exams[1], m_unsat, cls)) << cls;
        for (int target = kTraceClassRank; target <= kTraceScienceRank; ++target)
            EXPECT_FALSE(ClassRank(m_db, m_exams[1], m_unsat, cls, target)) << cls << target;
        const auto averages = ClassTrace(m_db, m_exams, m_unsat, cls, kTraceScore);
        EXPECT_TRUE(averages[0] && !averages[1] && averages[2]) << cls;
    }
    // The second class has no score of the first subject in that exam; the other two rank among
    // themselves only.
    const int a = m_classes[0], b = m_classes[1], c = m_classes[2];
    EXPECT_FALSE(ClassAverage(m_db, m_exams[1], m_first, b));
    EXPECT_FALSE(ClassRank(m_db, m_exams[1], m_first, b, kTraceGradeRank));
    EXPECT_FALSE(ClassRank(m_db, m_exams[1], m_first, b, kTraceClassRank));
    const std::set<int> ranks{*ClassRank(m_db, m_exams[1], m_first, a, kTraceGradeRank),
                              *ClassRank(m_db, m_exams[1], m_first, c, kTraceGradeRank)};
    EXPECT_EQ(ranks, (std::set<int>{1, 2}));
    EXPECT_EQ(ClassRank(m_db, m_exams[1], m_first, a, kTraceClassRank), 1);

    // In the table: the absent student's cells of the first exam are empty.
    const int cls = m_db.Execute(QStringLiteral("SELECT class FROM tavrinName WHERE studentid=?"), m_absent)
                        .Field(0)
                        .ToInt();
    const CReportTable t = TrackTable(m_db, Students(cls), Tracked(), kSum3, kGradeRank);
    int found = 0;
    for (int r = 1; r < t.RowCount(); ++r)
        if (t.Text(r, 0) == m_absent) {
            ++found;
            EXPECT_EQ(t.Text(r, 2), QString());
            EXPECT_EQ(t.Text(r, 3), QString());
            EXPECT_FALSE(t.Text(r, 4).isEmpty());
        }
    EXPECT_EQ(found, 1);
}

TEST_F(TrackAbsenceTest, AStreamRankIsOnlyForThatStreamsStudents) {
    // Before the split no row has a stream: no stream rank for anybody, no stream class rank.
    for (const QString& id : SittersOf(m_exams[0]))
        for (const int target : {kTraceArtsRank, kTraceScienceRank})
            EXPECT_FALSE(StudentTraceValue(m_db, m_exams[0], kSum3, id, target)) << id.toStdString();
    for (const int cls : m_classes)
        for (const int target : {kTraceArtsRank, kTraceScienceRank})
            EXPECT_FALSE(ClassRank(m_db, m_exams[0], kSum3, cls, target)) << cls;

    // After it each student has the rank of his own stream only, among that stream's students.
    for (const int exam : {m_exams[1], m_exams[2]}) {
        std::map<QString, int> sitters;
        std::map<QString, int> highest;
        for (const QString& id : SittersOf(exam)) {
            const QString& worl = WorlOf(exam, id);
            ++sitters[worl];
            for (const int target : {kTraceArtsRank, kTraceScienceRank}) {
                const QString stream = target == kTraceArtsRank ? QStringLiteral("文") : QStringLiteral("理");
                const std::optional<double> rank = StudentTraceValue(m_db, exam, kSum3, id, target);
                EXPECT_EQ(rank.has_value(), worl == stream) << id.toStdString() << target;
                if (rank)
                    highest[stream] = std::max(highest[stream], int(*rank));
            }
        }
        ASSERT_GT(sitters[QStringLiteral("文")], 0);
        for (const auto& [stream, rank] : highest)
            EXPECT_LE(rank, sitters[stream]) << exam;
    }
    // The third class has no arts student in the third exam: no arts class rank there.
    const auto arts = ClassTrace(m_db, m_exams, kSum3, m_classes[2], kTraceArtsRank);
    EXPECT_FALSE(arts[0]);
    EXPECT_FALSE(arts[2]);
    const auto science = ClassTrace(m_db, m_exams, kSum3, m_classes[2], kTraceScienceRank);
    EXPECT_FALSE(science[0]);
    EXPECT_TRUE(science[2]);
    EXPECT_TRUE(ClassRank(m_db, m_exams[2], kSum3, m_classes[0], kTraceArtsRank));
}

TEST_F(TrackAbsenceTest, TheTableShowsWhatTheChartDraws) {
    // Every student, exam, subject and rank target: the score and rank cells are the chart's bars.
    int ranked = 0;
    int unranked = 0;
    for (const QString& column : {kSum3, m_first, m_unsat})
        for (const int cls : m_classes) {
            const std::vector<TrackStudent> students = Students(cls);
            for (int target = kClassRank; target <= kScienceRank; ++target) {
                const CReportTable t = TrackTable(m_db, students, Tracked(), column, target);
                for (int r = 1; r < t.RowCount(); ++r) {
                    const QString id = t.Text(r, 0);
                    for (std::size_t e = 0; e < m_exams.size(); ++e) {
                        const int c = 2 + 2 * int(e);
                        const auto score = StudentTraceValue(m_db, m_exams[e], column, id, kTraceScore);
                        const auto rank = StudentTraceValue(m_db, m_exams[e], column, id, target + 1);
                        EXPECT_EQ(t.Text(r, c), score ? reports::Format62(*score) : QString());
                        EXPECT_EQ(t.Text(r, c + 1), rank ? QString::number(int(*rank)) : QString())
                            << id.toStdString() << column.toStdString() << target;
                        ++(rank ? ranked : unranked);
                        // A score without a rank only where the student is not of the stream.
                        if (score && !rank) {
                            EXPECT_TRUE(target == kArtsRank || target == kScienceRank);
                        }
                    }
                }
            }
        }
    EXPECT_GT(ranked, 0);
    EXPECT_GT(unranked, 0);
}

} // namespace
