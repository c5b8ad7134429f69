#include "report/GridPrint.h"

#include "controls/grid/GridCtrl.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"
#include "tests/common/Warnings.h"

#include <QPrintDialog>
#include <QPrinter>

#include <gtest/gtest.h>

namespace {

class GridPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultPrinterQuery([this] { return defaultPrinter; });
        SetGridPrinter([this](CGridCtrl& g, QPrinter&) { printed.push_back(&g); });
        ui::SetQtDialogRunner([this](QDialog& d) {
            auto* dialog = qobject_cast<QPrintDialog*>(&d);
            EXPECT_NE(dialog, nullptr);
            if (dialog) {
                ++dialogs;
                options = dialog->options();
                range = dialog->printRange();
            }
            return answer;
        });
    }
    void TearDown() override {
        SetDefaultPrinterQuery({});
        SetGridPrinter({});
        ui::SetQtDialogRunner({});
    }

    CGridCtrl grid{3, 2, 1, 1};
    QString defaultPrinter = QStringLiteral("Laser");
    int answer = QDialog::Accepted;
    int dialogs = 0;
    QAbstractPrintDialog::PrintDialogOptions options;
    QAbstractPrintDialog::PrintRange range = QAbstractPrintDialog::Selection;
    std::vector<CGridCtrl*> printed;
};

} // namespace

TEST_F(GridPrintTest, WithoutADefaultPrinterNothingHappens) {
    defaultPrinter.clear();
    EXPECT_EQ(PrintGridOnRequest(grid), 0);
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(printed.empty());
}

TEST_F(GridPrintTest, ThePrintDialogOffersAllPagesOnly) {
    answer = QDialog::Rejected;
    EXPECT_EQ(PrintGridOnRequest(grid), 0);
    ASSERT_EQ(dialogs, 1);
    EXPECT_FALSE(options.testFlag(QAbstractPrintDialog::PrintToFile));
    EXPECT_FALSE(options.testFlag(QAbstractPrintDialog::PrintSelection));
    EXPECT_FALSE(options.testFlag(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(options.testFlag(QAbstractPrintDialog::PrintCurrentPage));
    EXPECT_EQ(range, QAbstractPrintDialog::AllPages);
    EXPECT_TRUE(printed.empty()); // cancelled
}

TEST_F(GridPrintTest, OkPrintsTheGridOnTheChosenPrinter) {
    EXPECT_EQ(PrintGridOnRequest(grid), 0);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0], &grid);

    // With the default restored the grid prints itself; the recorder hears no more. The test
    // machine's printer may refuse to paint, and then says so.
    SetGridPrinter({});
    AllowWarning noPrinter(QStringLiteral("QPainter::begin(): Returned false"));
    ui::ScriptedMessageBoxes boxes;
    EXPECT_EQ(PrintGridOnRequest(grid), 0);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(printed.size(), 1u);
    EXPECT_EQ(boxes.Texts(),
              noPrinter.Count() ? QStringList{QStringLiteral("打印机无法打印。")} : QStringList{});
}
