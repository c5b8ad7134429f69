#pragma once
// "成绩报表": one class's list for one subject (mode 0, two half lists side by side), or with each
// student's standard score (1), T score (2) or standardised score (3) against the grade or a
// stream. The list is previewed and printed through the report component, exported as a
// spreadsheet file, and printed on the grid's print request.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"

#include <cstdint>

class CGifStatic;
class CSpinButtonCtrl;
class QComboBox;
class QLineEdit;

// The record feed: every grid row from 1, the empty rows of the half lists too.
class CScoreReportSink : public CGridReportSink {
protected:
    friend class CReportEventSink;
    CScoreReportSink() = default;
};

class CScoreReportDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 149 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_CLASS_SPIN = 1043;
    static constexpr int IDC_SUBJECT = 1051;
    static constexpr int IDC_PICTURE = 1077;
    static constexpr int IDC_SCOPE = 1078;
    static constexpr int IDC_SCOPE_GROUP = 1079;
    static constexpr int IDC_TARGET_MEAN = 1080;
    static constexpr int IDC_TARGET_SD = 1081;
    static constexpr int IDC_TARGET_GROUP = 1082;
    static constexpr int IDC_TARGET_MEAN_LABEL = 1083;
    static constexpr int IDC_TARGET_SD_LABEL = 1084;
    static constexpr int IDC_PRINT_REPORT = 1100;
    static constexpr int IDC_EXPORT = 1134;

    explicit CScoreReportDlg(QWidget* parent = nullptr);
    ~CScoreReportDlg() override;

    // 0 single-subject lists, 1 standard scores, 2 T scores, 3 standardised scores.
    void SetReportMode(int mode) { m_nMode = mode; }
    int GetReportMode() const { return m_nMode; }

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // The listing of the mode; the dialog stays open.
    void OnOK() override;
    void OnPrintReport();
    void OnExportSpreadsheet();
    // WM_PRINTGRID: the grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);
    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    CReportComponent& ReportComponent() { return m_report; }
    QComboBox* SubjectBox() const { return m_cbSubject; }
    QComboBox* ScopeBox() const { return m_cbScope; }

    int m_nClass = 1;
    float m_fTargetMean = 80;
    float m_fTargetSD = 20;
    int m_nRows = 1;
    int m_nCols = 4;
    int m_nMode = 0;

protected:
    bool event(QEvent* event) override;

private:
    CGridCtrl m_grid{0, 0, 0, 0};
    QComboBox* m_cbScope;
    CSpinButtonCtrl* m_spinClass;
    QLineEdit* m_editClass;
    QComboBox* m_cbSubject;
    QLineEdit* m_editMean;
    QLineEdit* m_editSD;
    CGifStatic* m_gifPicture;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRows, m_nCols};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
