// 全年级成绩打印 with every rank column on a sample grade, printed through the dialog's 打印: the
// pages carry the same texts as they always have, page by page, and the pages are made under the
// wait cursor with the progress window on screen.

#include "tests/reports/FixtureSchoolApp.h"

#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "controls/TextProgressBar.h"
#include "data/AppContext.h"
#include "fixtures/SchoolFixture.h"
#include "platform/profile/Profile.h"
#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "report/PrintOrExcelDlg.h"
#include "report/ReportProgress.h"
#include "reports/GradeScorePrintDlg.h"
#include "tests/platform/report/PdfText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class GradeListPrint : public FixtureSchoolApp {
protected:
    void SetUp() override {
        fixtures::SchoolOptions options;
        options.grades = 1;
        options.classesPerGrade = 3;
        options.minStudents = 25;
        options.maxStudents = 35;
        options.examsPerGrade = 1;
        options.fillTotals = true;
        StartOn(options);

        // 打印 offers the preview or a spreadsheet file: the preview.
        ui::SetDialogRunner([](ui::Dialog& d) {
            auto* choice = dynamic_cast<CPrintOrExcelDlg*>(&d);
            if (!choice)
                return ui::IDCANCEL;
            choice->m_nChoice = 0;
            return ui::IDOK;
        });
    }
    void TearDown() override { ui::SetDialogRunner({}); }

    static void Click(ui::Dialog& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }

    // The grade listed with every rank column: the grade rank, both stream totals with their
    // grade ranks, and every subject with its grade rank.
    static void ListWithEveryRank(CGradeScorePrintDlg& dlg) {
        dlg.OnInitDialog();
        Click(dlg, 1074);                         // 总分名次 按年级
        Click(dlg, 1075);                         // 单科名次 年名次
        dlg.StreamTotalBox()->setCurrentIndex(5); // 文理年级名次
        Click(dlg, ui::IDOK);
    }

    // A page's words, sorted, one a line: what the page says, wherever on it each word stands.
    static QByteArray PageDigest(const QString& path, int page) {
        QStringList words = testing_pdf::PdfText(path, page)
                                .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        words.sort();
        return QCryptographicHash::hash(words.join(u'\n').toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    }

};

TEST_F(GradeListPrint, EveryPageSaysWhatItAlwaysHas) {
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    CGradeScorePrintDlg dlg;
    ListWithEveryRank(dlg);
    ASSERT_EQ(dlg.m_nCols, 4 + 1 + 4 + 2 * 10);
    ASSERT_GT(dlg.m_nRows, 70); // the exam's students, more than a page of them

    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    Click(dlg, CScoreListDlg::IDC_PRINT);
    ASSERT_EQ(pdf.Written().size(), 1);
    const QString path = pdf.Written().front();

    // Landscape A4, four pages.
    const QStringList expected = {"7142d8a9319b2ff0", "279cc29d5ffe00e4", "3f4da6244024dc77",
                                  "6431bc5369190304"};
    QStringList digests;
    for (int page = 1; page <= testing_pdf::PdfPageCount(path); ++page)
        digests << QString::fromLatin1(PageDigest(path, page));
    EXPECT_EQ(digests, expected) << digests.join(QStringLiteral("\", \"")).toStdString();
    EXPECT_EQ(testing_pdf::PdfPageSize(path).toSize(), QSize(842, 595));
    EXPECT_TRUE(boxes.Boxes().empty());
}

// What a person sees of the progress window: whether it came, over which window, how many pages
// its bar counts, and the cursor meanwhile.
class ProgressWatch : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    int shown = 0;
    int pages = -1;
    bool waitCursor = false;
    QString over;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && w && w->objectName() == QStringLiteral("reportProgress")) {
            ++shown;
            if (const auto* bar = w->findChild<CTextProgressBar*>())
                bar->GetRange(nullptr, &pages);
            waitCursor =
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            over = w->parentWidget() ? w->parentWidget()->windowTitle() : QString();
        }
        return false;
    }
};

TEST_F(GradeListPrint, LongPagesAreMadeUnderTheWaitCursorWithTheProgressWindow) {
    CGradeScorePrintDlg dlg;
    ListWithEveryRank(dlg);
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    ProgressWatch watch;

    // Pages that take longer than the limit (made 0 here): the window over the dialog, its bar
    // counting the pages; afterwards neither the window nor the wait cursor stays.
    CReportProgress::SetShowAfter(0);
    Click(dlg, CScoreListDlg::IDC_PRINT);
    CReportProgress::SetShowAfter(1000);
    ASSERT_EQ(pdf.Written().size(), 1);
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(watch.pages, pdf.LastPageCount());
    EXPECT_TRUE(watch.waitCursor);
    EXPECT_EQ(watch.over, dlg.windowTitle());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), QStringLiteral("reportProgress"));
    EXPECT_TRUE(boxes.Boxes().empty());
}

} // namespace
