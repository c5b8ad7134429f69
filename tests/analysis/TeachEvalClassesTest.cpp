// The teaching evaluation's statements for one class, on a generated school whose students miss a
// score in one exam or the other, change class or stream between the exams, or sit one exam only:
// each gives the rows, in the order, that the condition on the other exam's list gave, and finds
// them through the class index.

#include "analysis/TeachEval.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"
#include "reports/ReportQueries.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace teacheval;

namespace {

// The students with a score in both exams as the list of the other exam's students.
QString ListCondition(const QString& column) {
    return QStringLiteral(
               " and (studentid in (select studentid from tavrinKSK where id=? and %1 is not null))")
        .arg(column);
}

// A class statement written with that list: the M method's (by student number, of a stream when
// it has worl=?) or the F method's (best score first). Both take the same values in the same order.
QString ListStatement(const QString& traced, const QString& column) {
    if (traced.startsWith(QStringLiteral("SELECT studentid,class,"))) {
        QString sql =
            QStringLiteral(
                "SELECT studentid,class,%1 FROM tavrinKSK WHERE id=? and %1 is not null and class=?")
                .arg(column);
        if (traced.contains(QStringLiteral("worl=?")))
            sql += QStringLiteral(" and worl=?");
        return sql + ListCondition(column) + QStringLiteral(" order by class,studentid");
    }
    return QStringLiteral("SELECT studentid,%1 FROM tavrinKSK WHERE id=? and %1 is not null and class=?")
               .arg(column) +
           ListCondition(column) + QStringLiteral(" order by %1 desc").arg(column);
}

QStringList Rows(db::Connection& c, const QString& sql, const std::vector<db::Variant>& params) {
    QStringList rows;
    for (db::Recordset rs = c.Execute(sql, params); !rs.IsEOF(); rs.MoveNext()) {
        QString row;
        for (int i = 0; i < rs.FieldCount(); ++i)
            row += (rs.Field(i).IsNull() ? QStringLiteral("<null>") : rs.Field(i).ToString()) + u'|';
        rows << row;
    }
    return rows;
}

class TeachEvalClassesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        fixtures::SchoolOptions o;
        o.grades = 1;
        o.classesPerGrade = 5;
        o.minStudents = 18;
        o.maxStudents = 26;
        o.subjects = 2;
        o.examsPerGrade = 2;
        const QString path = m_dir.filePath(QStringLiteral("school.mdb"));
        const fixtures::SchoolInfo info = fixtures::MakeSchool(path, o);
        ASSERT_EQ(info.exams.size(), 2u);
        m_first = info.exams[0].id;
        m_second = info.exams[1].id;
        m_db.OpenFile(path, fixtures::DatabasePassword());
        // Scores missing in the first exam only, in the second only, and in both; students who
        // moved class or stream; students who sat the first exam only.
        const auto run = [&](const char* sql, int exam) { m_db.Execute(QString::fromUtf8(sql), exam); };
        run("UPDATE tavrinKSK SET s01=NULL WHERE id=? AND cid%6=0", m_first);
        run("UPDATE tavrinKSK SET s01=NULL WHERE id=? AND cid%7=0", m_second);
        run("UPDATE tavrinKSK SET class=class%5+1 WHERE id=? AND cid%9=0", m_second);
        run("UPDATE tavrinKSK SET worl=CASE worl WHEN '文' THEN '理' ELSE '文' END WHERE id=? AND cid%8=0",
            m_second);
        run("DELETE FROM tavrinKSK WHERE id=? AND cid%11=0", m_second);
        m_rows = reports::HighestClass(m_db, m_second) + 1;
    }

    QTemporaryDir m_dir;
    db::Connection m_db;
    int m_first = -1;
    int m_second = -1;
    int m_rows = 0;
};

TEST_F(TeachEvalClassesTest, ClassStatementsGiveTheRowsOfTheOtherExamsListThroughTheClassIndex) {
    const QString column = reports::ScoreColumn(1);
    std::vector<reports::TracedStatement> statements;
    {
        reports::CSqlTrace trace;
        for (int range : {kWholeGrade, kArts, kScience}) {
            CReportTable m = EmptyTable(kMethodM, m_rows);
            RunMAnalysis(m_db, {m_first, m_second, 1, range}, m);
        }
        CReportTable f = EmptyTable(kMethodF, m_rows);
        RunFAnalysis(m_db, {m_first, m_second, 1, kWholeGrade}, f);
        for (const reports::TracedStatement& s : trace.Statements())
            if (s.sql.contains(QStringLiteral("class=?")))
                statements.push_back(s);
    }
    // Three ranges of M, one statement a class; F, two a class.
    ASSERT_EQ(int(statements.size()), 5 * (m_rows - 1));
    qsizetype rows = 0;
    for (const reports::TracedStatement& s : statements) {
        const QStringList expected = Rows(m_db, ListStatement(s.sql, column), s.params);
        EXPECT_EQ(Rows(m_db, s.sql, s.params), expected) << qPrintable(s.sql);
        rows += expected.size();
        const QString plan = Rows(m_db, QStringLiteral("EXPLAIN QUERY PLAN ") + s.sql, s.params).join(u'\n');
        EXPECT_TRUE(plan.contains(QStringLiteral("INDEX tavrinKSK_exam_class (id=? AND class=?)")) &&
                    !plan.contains(QStringLiteral("LIST SUBQUERY")))
            << qPrintable(plan);
    }
    // The students with both scores: once in M's whole grade, once in its two streams together,
    // once in each exam in F.
    const qsizetype both =
        Rows(m_db,
             QStringLiteral("SELECT studentid FROM tavrinKSK WHERE id=? and s01 is not null") +
                 ListCondition(column),
             {m_second, m_first})
            .size();
    EXPECT_GT(both, 60);
    EXPECT_EQ(rows, 4 * both);
}

} // namespace
