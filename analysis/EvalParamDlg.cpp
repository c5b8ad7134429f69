#include "analysis/EvalParamDlg.h"

#include "controls/ComboChoice.h"

#include "controls/SkinButton.h"
#include "data/AppContext.h"
#include "data/ExamChooser.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QComboBox>
#include <QGroupBox>

#include <algorithm>

using reports::DialogRect;

CEvalParamDlg::CEvalParamDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("参数设定"));
    setFixedSize(DialogRect(0, 0, 208, 122).size());

    const auto group = [this](const QString& title, const QRect& rect) {
        auto* g = new QGroupBox(title, this);
        g->setGeometry(rect);
        return g;
    };
    group(QStringLiteral("年级"), DialogRect(7, 4, 95, 31));
    group(QStringLiteral("范围"), DialogRect(106, 4, 95, 31));
    group(QStringLiteral("第一次考试"), DialogRect(7, 37, 194, 30));
    group(QStringLiteral("第二次考试"), DialogRect(7, 69, 194, 30));
    m_cbGrade = ui::AddEditableCombo(this, IDC_GRADE, DialogRect(13, 16, 83, 14));
    m_cbRange = ui::AddEditableCombo(this, IDC_RANGE, DialogRect(112, 16, 83, 14));
    m_cbRange->addItems({QStringLiteral("全年级"), QStringLiteral("文科班"), QStringLiteral("理科班")});
    m_cbFirstExam = ui::AddEditableCombo(this, IDC_FIRST_EXAM, DialogRect(13, 48, 182, 14));
    m_cbSecondExam = ui::AddEditableCombo(this, IDC_SECOND_EXAM, DialogRect(13, 80, 182, 14));

    m_btnOK = new CSkinButton(QStringLiteral("确定"), this, BS_DEFPUSHBUTTON);
    SetDlgCtrlId(m_btnOK, ui::IDOK);
    m_btnOK->setGeometry(DialogRect(94, 103, 52, 16));
    m_btnCancel = new CSkinButton(QStringLiteral("取消"), this);
    SetDlgCtrlId(m_btnCancel, ui::IDCANCEL);
    m_btnCancel->setGeometry(DialogRect(149, 103, 52, 16));

    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_cbGrade, &QComboBox::activated, this, [this] { OnSelChangeGrade(); });
    connect(m_cbFirstExam, &QComboBox::activated, this, [this] { OnSelChangeFirstExam(); });
    connect(m_cbSecondExam, &QComboBox::activated, this, [this] { OnSelChangeSecondExam(); });
}

CEvalParamDlg::~CEvalParamDlg() = default;

bool CEvalParamDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_btnOK->SetIcon(291, CSkinButton::DARK_COPY);
    m_btnCancel->SetIcon(261, CSkinButton::DARK_COPY);
    LoadGrades();
    // The positions handed in are shown: the grade with its exams listed and the exams handed in
    // chosen, so that 确定 after changing only the range keeps them.
    m_cbGrade->setCurrentIndex(m_nGradeIndex < m_cbGrade->count() ? m_nGradeIndex : -1);
    if (m_cbGrade->currentIndex() >= 0) {
        m_strGrade = m_cbGrade->currentText();
        FillExamLists(m_cbGrade->currentIndex());
        const auto choose = [](QComboBox* box, int examId) {
            const int at = examId < 0 ? -1 : box->findData(examId);
            box->setCurrentIndex(at);
        };
        choose(m_cbFirstExam, m_nFirstExamId);
        choose(m_cbSecondExam, m_nSecondExamId);
        if (m_cbFirstExam->currentIndex() >= 0)
            OnSelChangeFirstExam();
        if (m_cbSecondExam->currentIndex() >= 0)
            OnSelChangeSecondExam();
    }
    m_cbRange->setCurrentIndex(m_nRangeIndex < m_cbRange->count() ? m_nRangeIndex : -1);
    return true;
}

void CEvalParamDlg::LoadGrades() {
    m_cbGrade->clear();
    if (!data::HasDatabase())
        return;
    // Each grade keeps its code: two grades may share a name. A sorted list, in GBK order.
    std::vector<data::GradeEntry> grades = data::GradeEntries(data::Database());
    std::stable_sort(grades.begin(), grades.end(), [](const data::GradeEntry& a, const data::GradeEntry& b) {
        return text::CompareGbk(a.name, b.name) < 0;
    });
    for (const data::GradeEntry& g : grades)
        m_cbGrade->addItem(g.name, g.code);
    m_cbGrade->setCurrentIndex(-1);
}

void CEvalParamDlg::OnSelChangeGrade() {
    const int index = m_cbGrade->currentIndex();
    if (index < 0)
        return;
    m_strGrade = m_cbGrade->itemText(index);
    m_cbRange->setCurrentIndex(0);
    FillExamLists(index);
}

void CEvalParamDlg::FillExamLists(int index) {
    m_cbFirstExam->clear();
    m_cbSecondExam->clear();
    m_cbFirstExam->setCurrentIndex(-1);
    m_cbSecondExam->setCurrentIndex(-1);
    m_strFirstExam.clear();
    m_strSecondExam.clear();
    m_firstExamEntry = QVariant();
    m_secondExamEntry = QVariant();
    if (!data::HasDatabase())
        return;
    try {
        db::Connection& db = data::Database();
        const QString code = data::ResolveGradeCode(db, m_strGrade, m_cbGrade->itemData(index));
        // The entries come sorted in GBK order; each keeps its exam's id.
        for (const data::ExamEntry& e : data::ExamEntries(db, m_cipher))
            if (e.grade == code) {
                m_cbFirstExam->addItem(e.text, e.id);
                m_cbSecondExam->addItem(e.text, e.id);
            }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "exams of grade" << m_strGrade << "not listed:" << e.Message();
        ui::MessageBox(this, reports::DbErrorMessage(data::DbErrorText(e)), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
    }
    m_cbFirstExam->setCurrentIndex(-1);
    m_cbSecondExam->setCurrentIndex(-1);
}

void CEvalParamDlg::OnSelChangeFirstExam() {
    const int index = m_cbFirstExam->currentIndex();
    m_strFirstExam = m_cbFirstExam->itemText(index);
    m_firstExamEntry = m_cbFirstExam->itemData(index);
}

void CEvalParamDlg::OnSelChangeSecondExam() {
    const int index = m_cbSecondExam->currentIndex();
    m_strSecondExam = m_cbSecondExam->itemText(index);
    m_secondExamEntry = m_cbSecondExam->itemData(index);
}

int CEvalParamDlg::GetExamId(const QString& text, const QVariant& id) {
    if (!id.isValid())
        return -1;
    return data::ResolveExam(data::Database(), m_cipher, text, id).id;
}

void CEvalParamDlg::OnOK() {
    m_strGrade = m_cbGrade->currentText();
    // A box whose text is not its chosen entry's was typed into: it names no exam.
    const auto typed = [](const QComboBox& box) {
        return ChosenEntryIndex(box) < 0 && !box.currentText().trimmed().isEmpty();
    };
    const bool firstTyped = typed(*m_cbFirstExam);
    const bool secondTyped = typed(*m_cbSecondExam);
    m_bExamTyped = firstTyped || secondTyped;
    try {
        m_nFirstExamId = firstTyped ? -1 : GetExamId(m_strFirstExam, m_firstExamEntry);
        m_nSecondExamId = secondTyped ? -1 : GetExamId(m_strSecondExam, m_secondExamEntry);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "chosen exams not found:" << e.Message();
        ui::MessageBox(this, reports::DbErrorMessage(data::DbErrorText(e)), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
        m_nFirstExamId = m_nSecondExamId = -1;
    }
    m_nGradeIndex = ChosenEntryIndex(*m_cbGrade);
    m_nRangeIndex = ChosenEntryIndex(*m_cbRange);
    EndDialog(ui::IDOK);
}
