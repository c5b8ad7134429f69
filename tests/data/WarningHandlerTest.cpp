// The test main's message handler, exercised without failing this suite: unexpected warnings are
// caught by a CatchUnexpectedWarnings instead of failing the test.
#include "tests/common/Warnings.h"

#include "platform/log/Log.h"

#include <gtest/gtest.h>

namespace {

using testwarnings::CatchUnexpectedWarnings;
using testwarnings::Judge;
using testwarnings::Verdict;

TEST(WarningHandler, AnUnexpectedWarningFailsTheTest) {
    CatchUnexpectedWarnings caught;
    qCWarning(vlog::db) << "grade list cut short:"
                        << "disk I/O error";
    qCritical("critical too");
    qDebug("a debug line is no failure");
    qCDebug(vlog::ui) << "neither is this";
    ASSERT_EQ(caught.Count(), 2);
    EXPECT_EQ(caught.Texts()[0], "[veltora.db] grade list cut short: disk I/O error");
    EXPECT_EQ(caught.Texts()[1], "[default] critical too");
}

TEST(WarningHandler, GuardsTakeTheWarningsTheyExpect) {
    CatchUnexpectedWarnings caught;
    {
        AllowWarning outer("refused");
        ExpectWarning inner("refused: locked");
        qCWarning(vlog::db) << "update refused: locked";
        qCWarning(vlog::db) << "insert refused";
        EXPECT_EQ(inner.Count(), 1); // the innermost matching guard takes it
        EXPECT_EQ(outer.Count(), 1);
    }
    qCWarning(vlog::db) << "insert refused"; // the guards are gone
    EXPECT_EQ(caught.Count(), 1);
}

TEST(WarningHandler, TheTestPlatformsOwnLinesPass) {
    CatchUnexpectedWarnings caught;
    EXPECT_EQ(Judge(QtWarningMsg, "default", "This plugin does not support raise()"), Verdict::Platform);
    EXPECT_EQ(Judge(QtWarningMsg, "default", "QStandardPaths: XDG_RUNTIME_DIR not set"), Verdict::Platform);
    EXPECT_EQ(Judge(QtInfoMsg, "veltora.db", "info"), Verdict::Passed);
    EXPECT_EQ(Judge(QtWarningMsg, "veltora.db", "no such table"), Verdict::Unexpected);
    EXPECT_EQ(caught.Count(), 1);
}

} // namespace
