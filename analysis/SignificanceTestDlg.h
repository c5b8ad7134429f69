#pragma once
// "成绩显著性差异检验": one participating subject of the analysis exam, class by class. Mode 0 tests
// each class's scores for normality (count, extremes, mean, deviation, skewness, kurtosis and a
// verdict); mode 1 compares every two classes' distributions (没考, 相同, or 显著 in red). 打印
// previews the table through the report component; after the first run 分布 opens the score bands.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"

#include <QString>

class CSkinButton;
class QComboBox;

class CSignificanceTestDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 252 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_SUBJECT = 1051;
    static constexpr int IDC_PRINT = 1091;
    static constexpr int IDC_DISTRIBUTION = 1202;

    explicit CSignificanceTestDlg(QWidget* parent = nullptr);
    ~CSignificanceTestDlg() override;

    // 0 normality test, 1 significance test between classes; called before DoModal.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

    bool OnInitDialog() override;
    // 确定: the test of the chosen subject; the dialog stays open.
    void OnOK() override;
    void OnPrint();
    // 分布: the score-band report of the analysis exam, bands of 8.
    void OnDistribution();
    // Lays out the table of the mode: one row per class (and one column per class in mode 1).
    void PrepareTable();
    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    QComboBox* SubjectBox() const { return m_cbSubject; }
    CReportComponent& ReportComponent() { return m_report; }

    int m_nRows = 1;
    int m_nCols = 1;
    QString m_strSubject;     // the subject box's text
    QString m_strSubjectName; // the subject of the last run

private:
    void ShowResult();
    void GrowToShowColumns();
    void ShowError(const QString& text);

    int m_nMode = 0;
    CGridCtrl m_grid{0, 0, 0, 0};
    CSkinButton* m_btnDistribution;
    CSkinButton* m_btnPrint;
    CSkinButton* m_btnExit;
    CSkinButton* m_btnOK;
    QComboBox* m_cbSubject;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRows, m_nCols};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
