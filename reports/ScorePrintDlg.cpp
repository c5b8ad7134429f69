#include "reports/ScorePrintDlg.h"

#include "controls/SpinButtonCtrl.h"
#include "data/AppContext.h"
#include "reports/ReportDialogSupport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <climits>

using reports::DialogRect;

CScorePrintDlg::CScorePrintDlg(QWidget* parent) : CScoreListDlg(IDD, 3, 4, parent) {
    setWindowTitle(QStringLiteral("成绩打印"));
    const int x = 276;
    auto* label = new QLabel(QStringLiteral("班"), this);
    label->setGeometry(DialogRect(x + 4, 9, 12, 10));
    m_editClass = new QLineEdit(this);
    SetDlgCtrlId(m_editClass, IDC_CLASS);
    m_editClass->setGeometry(DialogRect(x + 18, 6, 44, 13));
    m_spinClass = new CSpinButtonCtrl(this);
    SetDlgCtrlId(m_spinClass, IDC_CLASS_SPIN);
    m_spinClass->setGeometry(DialogRect(x + 62, 6, 10, 13));

    m_totalGroup = AddRadios(AddBox(QStringLiteral("总分名次"), QRect(0, 22, 0, 36)),
                             {{1063, QStringLiteral("按年级"), QRect(4, 11, 40, 10)},
                              {1064, QStringLiteral("按班级"), QRect(44, 11, 38, 10)},
                              {1073, QStringLiteral("都打印"), QRect(4, 23, 40, 10)},
                              {1074, QStringLiteral("不打印"), QRect(44, 23, 38, 10)}});
    m_subjectGroup = AddRadios(AddBox(QStringLiteral("单科名次"), QRect(0, 60, 0, 48)),
                               {{1065, QStringLiteral("年级名次"), QRect(4, 11, 44, 10)},
                                {1096, QStringLiteral("文名次"), QRect(49, 11, 34, 10)},
                                {1097, QStringLiteral("理名次"), QRect(4, 23, 44, 10)},
                                {1066, QStringLiteral("班名次"), QRect(49, 23, 34, 10)},
                                {1098, QStringLiteral("不打印"), QRect(4, 35, 44, 10)}});
    AddChoiceBoxes(reports::ClassRangeItems(), 110);
    AddButtons(196);
}

CScorePrintDlg::~CScorePrintDlg() = default;

bool CScorePrintDlg::OnInitDialog() {
    CScoreListDlg::OnInitDialog();
    m_spinClass->SetBuddy(m_editClass);
    m_spinClass->SetRange(1, 99);
    return true;
}

bool CScorePrintDlg::ExchangeOwn(bool saveAndValidate) {
    if (saveAndValidate)
        return reports::ReadIntEdit(this, m_editClass, m_nClass, INT_MIN, INT_MAX);
    m_editClass->setText(QString::number(m_nClass));
    return true;
}

reports::ScorePrintOptions CScorePrintDlg::Options() const {
    return reports::ClassScorePrintOptions(m_nClass, m_nTotalRank, m_nSubjectRank,
                                           m_cbStreamTotals->currentIndex(), m_cbRange->currentIndex(), m_nX,
                                           m_nMode);
}

QString CScorePrintDlg::Caption() const {
    return reports::ScorePrintCaption(data::AnalysisContext().m_strAnalysisExam);
}

void CScorePrintDlg::CreateSink() {
    auto* sink = m_report.Create<CScorePrintReportSink>(this, m_nMode == 1 ? 3 : 1);
    if (sink)
        sink->SetRowSource(&m_rows);
}
