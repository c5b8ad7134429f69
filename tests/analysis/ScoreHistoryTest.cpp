#include "TrackSchool.h"

#include "analysis/ScoreHistory.h"

using namespace analysis;

namespace {

class ScoreHistoryTest : public TrackSchool {
protected:
    static QStringList Row(const CReportTable& t, int row) {
        QStringList texts;
        for (int c = 0; c < t.ColumnCount(); ++c)
            texts << t.Text(row, c);
        return texts;
    }
};

TEST_F(ScoreHistoryTest, SearchMatchesTheNamePartLiterally) {
    EXPECT_EQ(FindGradeCode(m_db, QStringLiteral("高2008级")), QStringLiteral("12008"));
    EXPECT_EQ(FindGradeCode(m_db, QStringLiteral("高2009级")), QString());

    const CReportTable a = SearchStudents(m_db, QStringLiteral("12008"), QStringLiteral("a"));
    ASSERT_EQ(a.RowCount(), 3);
    EXPECT_EQ(Row(a, 0), QStringList({"学号", "姓名", "班级", "考试"}));
    EXPECT_EQ(Row(a, 1), QStringList({"120080103", "a张b", "1", ""}));
    EXPECT_EQ(Row(a, 2), QStringList({"120080102", "abcd  ", "1", ""}));

    const CReportTable quote = SearchStudents(m_db, QStringLiteral("12008"), QStringLiteral("O'N"));
    ASSERT_EQ(quote.RowCount(), 2);
    EXPECT_EQ(Row(quote, 1), QStringList({"120080301", "O'Neil", "3", ""}));

    const CReportTable percent = SearchStudents(m_db, QStringLiteral("12008"), QStringLiteral("%"));
    ASSERT_EQ(percent.RowCount(), 2);
    EXPECT_EQ(percent.Text(1, 1), QStringLiteral("百%分"));
    EXPECT_EQ(SearchStudents(m_db, QStringLiteral("12008"), QStringLiteral("_")).RowCount(), 1);
    EXPECT_EQ(SearchStudents(m_db, QStringLiteral("1200"), QStringLiteral("张")).RowCount(), 3);
    EXPECT_EQ(SearchStudents(m_db, QStringLiteral("12009"), QStringLiteral("张")).RowCount(), 1);
}

TEST_F(ScoreHistoryTest, HistoryListsEveryExamRowWithOrWithoutStreams) {
    const CReportTable no = ScoreHistory(m_db, m_cipher, QStringLiteral("120080101"), false);
    ASSERT_EQ(no.RowCount(), 5);
    EXPECT_EQ(Row(no, 0), QStringList({"学号", "姓名", "班级", "考试", "总分", "语文", "数学"}));
    EXPECT_EQ(Row(no, 1), QStringList({"120080101", "张三", " 1", "月考", "90.00", "0.00", "100.00"}));
    EXPECT_EQ(Row(no, 3), QStringList({"120080101", "张三", " 1", "期末考试", "70.25", "0.00", "100.00"}));
    EXPECT_EQ(no.Text(4, 3), QStringLiteral("Error")); // exam 99 is not registered

    const CReportTable yes = ScoreHistory(m_db, m_cipher, QStringLiteral("120080101"), true);
    EXPECT_EQ(Row(yes, 0),
              QStringList({"学号", "姓名", "班级", "考试", "文理", "总分", "文总", "理总", "语文", "数学"}));
    EXPECT_EQ(Row(yes, 2), QStringList({"120080101", "张三", " 1", "期中考试", "理", "85.50", "84.50",
                                        "83.50", "0.00", "100.00"}));

    // NULL values leave their cells empty and the columns after them in place.
    const CReportTable nulls = ScoreHistory(m_db, m_cipher, QStringLiteral("120080102"), true);
    EXPECT_EQ(Row(nulls, 2), QStringList({"120080102", "abcd", " 1", "期中考试", "文", "", "", "", "", ""}));
    EXPECT_EQ(Row(nulls, 3), QStringList({"120080102", "abcd", " 1", "期末考试", "文", "80.13", "79.13",
                                          "78.13", "5.00", "6.00"}));
}

TEST_F(ScoreHistoryTest, NumberIsComparedExactly) {
    const CReportTable t = ScoreHistory(m_db, m_cipher, QStringLiteral("12008010"), false);
    EXPECT_EQ(t.RowCount(), 1);
    EXPECT_EQ(t.ColumnCount(), 5);
    EXPECT_EQ(ScoreHistory(m_db, m_cipher, QStringLiteral(" 120080101"), false).RowCount(), 1);
    EXPECT_EQ(GetExamName(m_db, m_cipher, 4), QStringLiteral("Error"));
    EXPECT_EQ(GetExamName(m_db, m_cipher, 2), QStringLiteral("期中考试"));
}

} // namespace
