#pragma once
// "优生率分析": excellent rates, pass rates or the averages of the top students of each class and
// participating subject, the cut given as a score or as the best share of the grade, for all
// students or one stream. The grid is previewed through the report component, exported as a
// spreadsheet file, and printed on the grid's print request.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"

#include <cstdint>

class QButtonGroup;
class QLabel;
class QLineEdit;

class CExcellentRateDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 245 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_HELP = 1012;
    static constexpr int IDC_PRINT = 1100;
    static constexpr int IDC_CUT = 1172;
    static constexpr int IDC_ALL = 1173;
    static constexpr int IDC_ARTS = 1064;
    static constexpr int IDC_SCIENCE = 1074;
    static constexpr int IDC_CUT_TAIL = 1175;
    static constexpr int IDC_CUT_LEAD = 1185;

    explicit CExcellentRateDlg(QWidget* parent = nullptr);
    ~CExcellentRateDlg() override;

    // mode: 0 excellent rate, 1 pass rate, 2 average of the top students; method: 0 the cut is a
    // score, 1 a proportion of the students. Returns the mode.
    int SetMode(int mode, int method) {
        m_nMode = mode;
        m_nMethod = method;
        return m_nMode;
    }
    int GetMode() const { return m_nMode; }
    int GetMethod() const { return m_nMethod; }

    // False when the cut's text is no number (the user was told).
    bool DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 确定: the table of the mode; the dialog stays open.
    void OnOK() override;
    void OnPrint();
    void OnHelp();
    void ExportToXls();
    // WM_PRINTGRID: the grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);
    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    CReportComponent& ReportComponent() { return m_report; }
    QLineEdit* CutEdit() const { return m_editCut; }

    float m_fCut = 0;
    QString m_strCut; // the cut as typed, for the share of the students
    int m_nScope = 0; // 0 all, 1 文科, 2 理科
    int m_nRows = 1;
    int m_nCols = 1;

protected:
    bool event(QEvent* event) override;

private:
    // The table of the cut read last.
    void Compute();

    int m_nMode = 0;
    int m_nMethod = 0;
    CGridCtrl m_grid{0, 0, 0, 0};
    QLabel* m_lead;
    QLabel* m_tail;
    QLineEdit* m_editCut;
    QButtonGroup* m_scopes;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRows, m_nCols};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
