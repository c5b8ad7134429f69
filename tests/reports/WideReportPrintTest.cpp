// The widest basic-statistics report, the grade statistics with ranks of a 20-class grade in ten
// subjects by stream, printed through the dialog's preview: every value is on paper, none cut.

#include "tests/reports/FixtureSchoolApp.h"

#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "data/AppContext.h"
#include "fixtures/SchoolFixture.h"
#include "platform/profile/Profile.h"
#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"
#include "platform/ui/MessageBox.h"
#include "reports/BasicStatDlg.h"
#include "reports/BasicStats.h"
#include "reports/ValidTotals.h"
#include "tests/platform/report/PdfText.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace reports;

namespace {

class WideReportPrint : public FixtureSchoolApp {
protected:
    void SetUp() override {
        fixtures::SchoolOptions options;
        options.grades = 1;
        options.classesPerGrade = 20;
        options.minStudents = 4;
        options.maxStudents = 6;
        options.subjects = 10;
        options.examsPerGrade = 1;
        options.fillTotals = true;
        StartOn(options);
    }
};

TEST_F(WideReportPrint, GradeStatisticsWithRanksPrintEveryValueUncut) {
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    CBasicStatDlg dlg;
    dlg.SetStatMode(kGradeStats);
    dlg.OnInitDialog();
    ASSERT_EQ(dlg.m_nAccumType, kStreamRows);
    QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(CBasicStatDlg::IDC_RANK), Qt::LeftButton);
    ASSERT_EQ(dlg.m_nCols, 2 * 10 + 3 + 4);
    ASSERT_GE(school.grades.front().classes.size(), 20u);
    ASSERT_EQ(dlg.m_nRows, school.grades.front().classes.back() + 1 + 2); // titles, classes, 文科, 理科
    // The grade's own name ends in 级: the title does not repeat it.
    const QString grade = school.grades.front().name;
    ASSERT_TRUE(grade.endsWith(QStringLiteral("级")));
    EXPECT_EQ(dlg.windowTitle(), grade + school.exams.front().name + QStringLiteral("平均分报表"));

    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(CBasicStatDlg::IDC_PRINT_PREVIEW), Qt::LeftButton);
    ASSERT_EQ(pdf.Written().size(), 1);
    const QString path = pdf.Written().front();

    // Every caption and every value of the grid, as many times as the grid holds it.
    QMap<QString, int> expected;
    for (int r = 0; r < dlg.m_nRows; ++r)
        for (int c = 0; c < dlg.m_nCols; ++c)
            if (const QString text = dlg.Grid().GetItemText(r, c).trimmed(); !text.isEmpty())
                ++expected[text];
    EXPECT_GT(expected.value(QStringLiteral("名次")), 0);
    const QMap<QString, int> words = testing_pdf::PdfWords(path);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_GE(words.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_FALSE(testing_pdf::PdfText(path).contains(QStringLiteral("…")));
    EXPECT_TRUE(words.contains(dlg.windowTitle() + QStringLiteral("(1)")));
    // Too wide for a portrait page: the report turned the page rather than cut anything.
    const QSizeF page = testing_pdf::PdfPageSize(path);
    EXPECT_GT(page.width(), page.height());
    EXPECT_TRUE(boxes.Boxes().empty());
}

} // namespace
