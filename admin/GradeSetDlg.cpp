#include "admin/GradeSetDlg.h"

#include "admin/DeleteCounts.h"
#include "data/GradeLookup.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

namespace {

constexpr int kNameColumn = 1;
constexpr int kCodeColumn = 2;

// The students and exams filed under a grade code are reached through the grade of that code
// only: without it they show by their code alone.
QString UnreachableText() {
    return QStringLiteral("只以代码显示，在学生名单、考试注册和成绩跟踪中无法再选到。");
}

CLookupTableDlg::Table GradeTable() {
    CLookupTableDlg::Table t;
    t.caption = QStringLiteral("年级设置");
    t.table = QStringLiteral("tavrinGrade");
    t.columns = {{QStringLiteral("序号"), {}},
                 {QStringLiteral("年级"), QStringLiteral("mydesc"), 8},
                 {QStringLiteral("年级代码"), QStringLiteral("gradeno"), 5, true}};
    t.listMode = false;
    t.singleColSelection = true;
    t.autoSizeAfterUpdate = false;
    t.addId = CGradeSetDlg::IDC_ADD;
    t.helpId = CGradeSetDlg::IDC_HELP;
    t.placeholderColumn = 2;
    t.questionColumn = 2;
    t.deleteQuestion = res::LoadString(57625);
    t.help = res::LoadString(57626);
    t.note = QStringLiteral("注意：\n　　一旦删除已经有成绩在案的年级，将会影响以后成绩分析。\n"
                            "　　建议不要删除已经有考试的年级。");
    return t;
}

} // namespace

CGradeSetDlg::CGradeSetDlg(QWidget* parent) : CLookupTableDlg(IDD, GradeTable(), parent) {}

QString CGradeSetDlg::DeleteDetail(int row) {
    const QString code = m_Grid.GetItemText(row, kCodeColumn);
    // A row without a code files nothing.
    if (!data::IsGradeCode(code))
        return {};
    deletecounts::GradeHoldings held;
    try {
        held = deletecounts::HoldingsOfGrade(data::Database(), code);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "grade" << code << "not counted:" << e.Message();
        return {};
    }
    if (held.students == 0 && held.exams == 0)
        return QStringLiteral("该年级没有学生和考试。");
    return QStringLiteral("该年级的%1名学生和%2次考试将留在数据库中，").arg(held.students).arg(held.exams) +
           UnreachableText();
}

bool CGradeSetDlg::OnGridEndEdit(int row, int col) {
    if (col != kCodeColumn || row < 1 || row >= GetRowCount())
        return CLookupTableDlg::OnGridEndEdit(row, col);
    const QString code = EditedText(row, col);
    const QString old = OldText();
    // Only a code the table will take asks; every refusal stays the table's own.
    if (code == old || !data::IsGradeCode(old) || !data::IsGradeCode(code))
        return CLookupTableDlg::OnGridEndEdit(row, col);
    // A database failure leaves through the grid's guard: the old code back, 数据更新失败.
    db::Connection& db = data::Database();
    if (!settings::GradeCodeTaken(db, code, std::nullopt)) {
        const deletecounts::GradeHoldings held = deletecounts::HoldingsOfGrade(db, old);
        if (held.students > 0 || held.exams > 0) {
            const QString question =
                QStringLiteral(
                    "真的要把年级[%1]的代码由[%2]改为[%3]吗？\n该年级的%4名学生和%5次考试仍用代码%2，改后")
                    .arg(m_Grid.GetItemText(row, kNameColumn), old, code, QString::number(held.students),
                         QString::number(held.exams)) +
                UnreachableText();
            if (Message(question, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
                return false;
        }
    }
    return CLookupTableDlg::OnGridEndEdit(row, col);
}
