// Texts stored through the Chinese code page: characters it lacks, and control characters, are
// refused in every editor before anything is stored, and the old text shows again.

#include "AdminASupport.h"

#include "admin/ExamNameDlg.h"
#include "admin/GradeSetDlg.h"
#include "admin/GradeValueDlg.h"
#include "admin/StudentTypeDlg.h"
#include "admin/SubjectSetDlg.h"

namespace admina {
namespace {

const QString kKorean = QStringLiteral("한국어");
const QString kEmoji = QStringLiteral("数学") + QString::fromUcs4(U"\U0001F600");

class AdminACodePage : public AdminATest {
protected:
    QString Refusal(const QString& outside) {
        return QStringLiteral("对不起，“%1”不在本系统使用的中文字符集（GBK）内，不能保存！").arg(outside);
    }
    // Both texts are refused in the cell, with the message, and nothing is written to `table`.
    void ExpectRefused(CGridCtrl& grid, int row, int col, const QString& table) {
        CountUpdates(table);
        const QString old = grid.GetItemText(row, col);
        boxes->Clear();
        ASSERT_TRUE(TypeIntoCell(grid, row, col, kKorean));
        EditCell(grid, row, col, kEmoji);
        ASSERT_EQ(BoxTexts(), (QStringList{Refusal(kKorean), Refusal(kEmoji.right(2))})) << qPrintable(table);
        EXPECT_EQ(boxes->Boxes().back().type, ui::MB_ICONERROR);
        EXPECT_EQ(grid.GetItemText(row, col), old);
        EXPECT_EQ(Updates(), 0) << qPrintable(table);
    }
};

TEST_F(AdminACodePage, EveryEditorRefusesCharactersOutsideTheCodePage) {
    {
        CGradeSetDlg dlg;
        Open(dlg);
        ExpectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinGrade"));
    }
    {
        CExamNameDlg dlg;
        Open(dlg);
        ExpectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinKSMC"));
    }
    {
        // Three Korean letters would pass for three bytes of six.
        CGradeValueDlg dlg;
        Open(dlg);
        ExpectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinDJZ"));
    }
    {
        CSubjectSetDlg dlg;
        Open(dlg);
        ExpectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinKMK"));
    }
    {
        CStudentTypeDlg dlg;
        Open(dlg);
        ExpectRefused(dlg.GetGrid(), 1, 2, QStringLiteral("tavrinXJLB"));
        ExpectRefused(dlg.GetGrid(), 2, 1, QStringLiteral("tavrinXJLB"));
    }
}

TEST_F(AdminACodePage, EveryEditorRefusesControlCharacters) {
    const QString refusal = QStringLiteral("对不起，文字中含有制表符、换行符等控制字符，不能保存！");
    const QString pasted[] = {QStringLiteral("期中") + QChar(u'\0') + QStringLiteral("考试"),
                              QStringLiteral("期中\t考试"), QStringLiteral("期中\n考试"),
                              QStringLiteral("期中\r\n考试"), QStringLiteral("期中") + QChar(0x1b)};
    const auto expectRefused = [&](CGridCtrl& grid, int row, int col, const QString& table) {
        CountUpdates(table);
        const QString old = grid.GetItemText(row, col);
        boxes->Clear();
        for (const QString& text : pasted)
            EditCell(grid, row, col, text);
        EXPECT_EQ(BoxTexts(), QStringList(std::size(pasted), refusal)) << qPrintable(table);
        EXPECT_EQ(boxes->Boxes().back().type, ui::MB_ICONERROR);
        EXPECT_EQ(grid.GetItemText(row, col), old) << qPrintable(table);
        EXPECT_EQ(Updates(), 0) << qPrintable(table);
    };
    {
        CExamNameDlg dlg;
        Open(dlg);
        expectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinKSMC"));
    }
    {
        CGradeSetDlg dlg;
        Open(dlg);
        expectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinGrade"));
    }
    {
        CGradeValueDlg dlg;
        Open(dlg);
        expectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinDJZ"));
    }
    {
        CSubjectSetDlg dlg;
        Open(dlg);
        expectRefused(dlg.GetGrid(), 1, 1, QStringLiteral("tavrinKMK"));
    }
    {
        CStudentTypeDlg dlg;
        Open(dlg);
        expectRefused(dlg.GetGrid(), 1, 2, QStringLiteral("tavrinXJLB"));
    }
}

TEST_F(AdminACodePage, TextsTheCodePageHoldsAreStoredAndCountedInItsBytes) {
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    // Greek and full-width letters are in the code page, two bytes each.
    EditCell(grid, 1, 1, QStringLiteral("α（Ａ）"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("α（Ａ）"));
    EditCell(grid, 1, 1, QStringLiteral("αβγδε"));
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("长度最大不得超过8字节！")});
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("α（Ａ）"));
}

} // namespace
} // namespace admina
