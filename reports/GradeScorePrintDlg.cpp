#include "reports/GradeScorePrintDlg.h"

#include "controls/GifStatic.h"
#include "data/AppContext.h"
#include "reports/ReportDialogSupport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>

using reports::DialogRect;

CGradeScorePrintDlg::CGradeScorePrintDlg(QWidget* parent) : CScoreListDlg(IDD, 0, 0, parent) {
    setWindowTitle(QStringLiteral("年级成绩打印"));
    m_totalGroup = AddRadios(AddBox(QStringLiteral("总分名次"), QRect(0, 4, 0, 26)),
                             {{1063, QStringLiteral("不打印"), QRect(4, 11, 40, 10)},
                              {1074, QStringLiteral("按年级"), QRect(44, 11, 38, 10)}});
    m_subjectGroup = AddRadios(AddBox(QStringLiteral("单科名次"), QRect(0, 34, 0, 38)),
                               {{1065, QStringLiteral("不打印"), QRect(4, 11, 40, 10)},
                                {1075, QStringLiteral("年名次"), QRect(44, 11, 38, 10)},
                                {1092, QStringLiteral("文名次"), QRect(4, 23, 40, 10)},
                                {1093, QStringLiteral("理名次"), QRect(44, 23, 38, 10)}});
    AddChoiceBoxes(reports::GradeRangeItems(), 76);
    m_gifPicture = new CGifStatic(this);
    SetDlgCtrlId(m_gifPicture, IDC_PICTURE);
    m_gifPicture->setGeometry(DialogRect(276 + 12, 160, 61, 32));
    AddButtons(196);
}

CGradeScorePrintDlg::~CGradeScorePrintDlg() = default;

bool CGradeScorePrintDlg::OnInitDialog() {
    if (m_gifPicture->LoadFromResource(176, QStringLiteral("GIF")))
        m_gifPicture->Draw();
    return CScoreListDlg::OnInitDialog();
}

reports::ScorePrintOptions CGradeScorePrintDlg::Options() const {
    return reports::GradeScorePrintOptions(m_nTotalRank, m_nSubjectRank, m_cbStreamTotals->currentIndex(),
                                           m_cbRange->currentIndex(), m_nX);
}

QString CGradeScorePrintDlg::Caption() const {
    return reports::GradeScorePrintCaption(data::AnalysisContext().m_strAnalysisExam);
}

void CGradeScorePrintDlg::CreateSink() {
    auto* sink = m_report.Create<CGradeScorePrintReportSink>(this);
    if (sink)
        sink->SetRowSource(&m_rows);
}
