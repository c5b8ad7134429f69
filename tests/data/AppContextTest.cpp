#include "data/AppContext.h"

#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QObject>

namespace {

class AppContext : public ::testing::Test {
protected:
    void TearDown() override { data::ResetAppContext(); }
};

TEST_F(AppContext, AMissingConnectionIsOneDatabaseError) {
    EXPECT_FALSE(data::HasDatabase());
    try {
        data::Database();
        FAIL() << "no error without a connection";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Code(), db::DbError::kNotOpen);
        EXPECT_EQ(e.Message(), "no database connection");
        // The user is told in Chinese.
        EXPECT_EQ(data::DbErrorText(e), "对不起，数据库连接失败！");
    }

    auto connection = std::make_unique<db::Connection>();
    connection->OpenFile(":memory:", {}, true);
    data::SetDatabase(std::move(connection));
    ASSERT_TRUE(data::HasDatabase());
    try {
        data::Database().Execute("SELECT * FROM nothing");
        FAIL() << "no error for a missing table";
    } catch (const db::DbError& e) {
        EXPECT_EQ(data::DbErrorText(e), e.Message());
    }
    data::SetDatabase(nullptr);
    EXPECT_THROW(data::Database(), db::DbError);
}

TEST_F(AppContext, TheRegisteredContextIsTheOneEveryoneReads) {
    data::AnalysisContext().m_nAnalysisExamId = 7; // the home's own
    CAnalysisContext frame;
    data::SetAnalysisContext(&frame);
    data::AnalysisContext().m_nSelectedSubjects = 2;
    EXPECT_EQ(frame.m_nSelectedSubjects, 2);
    EXPECT_EQ(data::AnalysisContext().m_nAnalysisExamId, -1);
    // Unregistered, the home's own comes back empty.
    data::SetAnalysisContext(nullptr);
    EXPECT_FALSE(data::AnalysisContext().HasExam());
    EXPECT_FALSE(data::AnalysisContext().HasSubjects());
}

TEST_F(AppContext, DirectoryAndPrintTarget) {
    EXPECT_EQ(data::AppDirectory(), data::ProgramDirectory());
    EXPECT_TRUE(data::ProgramDirectory().endsWith('/'));
    data::SetAppDirectory("/school/");
    EXPECT_EQ(data::AppDirectory(), "/school/");

    auto target = std::make_unique<QObject>();
    data::SetPrintTarget(target.get());
    EXPECT_EQ(data::PrintTarget(), target.get());
    target.reset();
    EXPECT_EQ(data::PrintTarget(), nullptr); // forgotten with the window
}

} // namespace
