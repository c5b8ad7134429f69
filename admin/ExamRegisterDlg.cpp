#include "admin/ExamRegisterDlg.h"

#include "admin/AdminCommon.h"
#include "admin/ExamSetup.h"
#include "controls/ComboChoice.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "data/ExamChooser.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/Clock.h"
#include "platform/ui/MessageBox.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* Label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    ui::Dialog::SetDlgCtrlId(label, 65535);
    return label;
}

} // namespace

CExamRegisterDlg::CExamRegisterDlg(QWidget* parent) : ui::Dialog(IDD, parent), m_today(ui::CurrentDate()) {
    setWindowTitle(QStringLiteral("注册考试名称"));

    m_cbYear = new QComboBox(this);
    m_cbYear->setEditable(true);
    m_cbYear->setInsertPolicy(QComboBox::NoInsert);
    m_cbYear->lineEdit()->setMaxLength(4);
    m_cbYear->setMaxVisibleItems(10);
    SetDlgCtrlId(m_cbYear, IDC_YEAR);
    m_edSecondYear = new QLineEdit(this);
    m_edSecondYear->setEnabled(false);
    SetDlgCtrlId(m_edSecondYear, IDC_SECOND_YEAR);
    m_cbTerm = new QComboBox(this);
    m_cbTerm->addItems({QStringLiteral("上学期"), QStringLiteral("下学期")});
    SetDlgCtrlId(m_cbTerm, IDC_TERM);
    m_dtExamDate = new QDateEdit(ui::CurrentDate(), this);
    m_dtExamDate->setCalendarPopup(true);
    m_dtExamDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    SetDlgCtrlId(m_dtExamDate, IDC_DATE);
    m_cbExamName = new QComboBox(this);
    m_cbExamName->setEditable(true);
    m_cbExamName->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbExamName, IDC_EXAM_NAME);
    m_cbGrade = new QComboBox(this);
    m_cbGrade->setEditable(true);
    m_cbGrade->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbGrade, IDC_GRADE);

    auto* registerButton = new QPushButton(QStringLiteral("注册"), this);
    SetDlgCtrlId(registerButton, IDC_REGISTER);
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    SetDlgCtrlId(quit, ui::IDCANCEL);
    for (QPushButton* b : {registerButton, quit})
        b->setAutoDefault(false);

    auto* form = new QGridLayout;
    auto* years = new QHBoxLayout;
    years->addWidget(m_cbYear, 1);
    years->addWidget(Label(QStringLiteral("至"), this));
    years->addWidget(m_edSecondYear, 1);
    years->addWidget(Label(QStringLiteral("学年"), this));
    years->addWidget(m_cbTerm, 1);
    form->addWidget(Label(QStringLiteral("学年学期"), this), 0, 0);
    form->addLayout(years, 0, 1);
    form->addWidget(Label(QStringLiteral("考试名称"), this), 1, 0);
    form->addWidget(m_cbExamName, 1, 1);
    form->addWidget(Label(QStringLiteral("年级"), this), 2, 0);
    form->addWidget(m_cbGrade, 2, 1);
    form->addWidget(Label(QStringLiteral("考试日期"), this), 3, 0);
    form->addWidget(m_dtExamDate, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(registerButton);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    m_cbYear->installEventFilter(this);
    m_cbYear->lineEdit()->installEventFilter(this);
    connect(m_cbYear, &QComboBox::activated, this, [this] { OnYearKillFocus(); });
    connect(registerButton, &QPushButton::clicked, this, [this] { OnRegister(); });
    connect(quit, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CExamRegisterDlg::OnInitDialog() {
    FillYears();
    FillExamNames();
    FillGrades();
    return true;
}

void CExamRegisterDlg::FillYears() {
    const examsetup::SchoolYearChoice choice = examsetup::DefaultSchoolYear(m_today);
    m_cbTerm->setCurrentIndex(choice.termIndex);
    m_cbYear->clear();
    for (int y = choice.firstListedYear; y < choice.firstListedYear + 20; ++y)
        m_cbYear->addItem(QString::asprintf("%4d", y));
    m_cbYear->setCurrentIndex(m_cbYear->findText(QString::asprintf("%4d", choice.startYear)));
    m_cbYear->setEditText(QString::asprintf("%4d", choice.startYear));
    m_edSecondYear->setText(QString::asprintf("%4d", choice.startYear + 1));
}

void CExamRegisterDlg::FillExamNames() {
    m_cbExamName->clear();
    if (data::HasDatabase()) {
        try {
            m_cbExamName->addItems(examsetup::CommonExamNames(data::Database()));
        } catch (const db::DbError& e) {
            // The list stays empty.
            qCWarning(vlog::db) << "exam name list not read:" << e.Message();
        }
    }
    m_cbExamName->setCurrentIndex(-1);
}

void CExamRegisterDlg::FillGrades() {
    m_cbGrade->clear();
    // Each entry carries its grade code: two grades may share a name.
    if (data::HasDatabase())
        for (const data::GradeEntry& g : data::GradeEntries(data::Database()))
            m_cbGrade->addItem(g.name, g.code);
    m_cbGrade->setCurrentIndex(-1);
}

bool CExamRegisterDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == m_cbYear || watched == m_cbYear->lineEdit()))
        OnYearKillFocus();
    return ui::Dialog::eventFilter(watched, event);
}

void CExamRegisterDlg::OnYearKillFocus() {
    m_edSecondYear->setText(QString::asprintf("%1d", m_cbYear->currentText().trimmed().toInt() + 1));
}

void CExamRegisterDlg::OnRegister() {
    const QString caption = res::LoadString(57656);
    // A year typed just before the click has not lost its focus yet.
    OnYearKillFocus();
    if (!HoldsListItem(*m_cbExamName) || !HoldsListItem(*m_cbGrade)) {
        ui::MessageBox(this, res::LoadString(57638), caption, ui::MB_ICONERROR);
        return;
    }
    const QString description =
        examsetup::ExamDescription(m_cbYear->currentText(), m_edSecondYear->text(), m_cbTerm->currentText(),
                                   m_cbExamName->currentText());
    // The year is typed; the description is enciphered through the code page.
    if (const QString refusal = admin::CodePageRefusal(description); !refusal.isEmpty()) {
        ui::MessageBox(this, refusal, caption, ui::MB_ICONERROR);
        return;
    }
    const QString cipherText = m_cipher.EncodeText(data::DescriptionKey(), description);
    try {
        db::Connection& db = data::Database();
        const QString grade =
            data::ResolveGradeCode(db, m_cbGrade->currentText(), ChosenEntryData(*m_cbGrade));
        if (examsetup::RegisterExam(db, cipherText, grade, m_dtExamDate->date()) ==
            examsetup::RegisterResult::Duplicate)
            ui::MessageBox(this, QStringLiteral("注意：该名称的考试已经注册，不能重复登记！"), caption,
                           ui::MB_ICONWARNING);
        else
            ui::MessageBox(
                this,
                QStringLiteral("祝贺您，考试名称已经成功注册！\n如果要修改考试日期，请到考试维护处修改！"),
                caption, ui::MB_ICONINFORMATION);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "exam not registered:" << e.Message();
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(57621), e), caption,
                       ui::MB_ICONWARNING);
    }
}
