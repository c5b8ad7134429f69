#pragma once
// "上线情况": for the analysis exam and its participating subjects, how many students of each
// class reach a line (the X-th best of the grade or of a stream, X % of the full mark) or their
// average, also over each class's own top X. The grid is previewed through the report component,
// exported as a spreadsheet file, and printed on the grid's print request.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"

#include <QString>

#include <cstdint>

class QComboBox;
class QLineEdit;

class CQualifyLineDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 246 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_HELP = 1012;
    static constexpr int IDC_X = 1089;
    static constexpr int IDC_X_LABEL = 1090;
    static constexpr int IDC_PRINT = 1100;
    static constexpr int IDC_OBJECT = 1141;
    static constexpr int IDC_RANGE = 1178;

    explicit CQualifyLineDlg(QWidget* parent = nullptr);
    ~CQualifyLineDlg() override;

    // Reads (true) or shows (false) X and the two boxes' texts. False when X is no whole number in
    // 0 … 2000 (the user was told; X keeps what it held and the box shows it again).
    bool DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 统计: the table of the chosen range and object; the dialog stays open.
    void OnOK() override;
    void OnPrint();
    void ExportToXls();
    // WM_PRINTGRID: the grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);
    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();
    void PreviewReport();

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    QComboBox* RangeBox() const { return m_cbRange; }
    QComboBox* ObjectBox() const { return m_cbObject; }
    QLineEdit* XEdit() const { return m_editX; }
    CReportComponent& ReportComponent() { return m_report; }

    int m_nRows = 1;
    int m_nCols = 1;
    int m_nX = 30;
    QString m_strRange;
    QString m_strObject;

protected:
    bool event(QEvent* event) override;

private:
    void ShowResult();

    CGridCtrl m_grid{0, 0, 0, 0};
    QComboBox* m_cbRange;
    QComboBox* m_cbObject;
    QLineEdit* m_editX;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRows, m_nCols};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
