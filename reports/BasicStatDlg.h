#pragma once
// "各班各科基本统计量报表": statistics of the analysis exam in a grid, by mode: 0 one chosen
// statistic per class (with ranks), 1 the class-by-subject table, 2 the subject-by-class table,
// 3 the classes' standard scores. The grid is previewed and printed through the report component,
// exported as a spreadsheet file, and printed on the grid's print request.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"

#include <cstdint>

class QButtonGroup;
class QComboBox;
class QRadioButton;

// The record feed of the dialog: every data and summary row; the block title and separator rows of
// the block tables are left out by their position, whatever their texts.
class CBasicStatReportSink : public CGridReportSink {
public:
    // The table the grid shows; its row kinds say which rows are left out.
    void SetTable(const CReportTable* table) { m_pTable = table; }

protected:
    friend class CReportEventSink;
    CBasicStatReportSink() = default;
    int NextFedRow(int row) const override;

private:
    const CReportTable* m_pTable = nullptr;
};

class CBasicStatDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 143 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_STATISTIC_GROUP = 1140;
    static constexpr int IDC_STATISTIC = 1141;
    static constexpr int IDC_ACCUM_GROUP = 1145;
    static constexpr int IDC_ACCUM_GRADE = 1139;
    static constexpr int IDC_ACCUM_STREAMS = 1064;
    static constexpr int IDC_COUNT_GROUP = 1189;
    static constexpr int IDC_COUNT_DROP = 1187;
    static constexpr int IDC_COUNT_KEEP = 1188;
    static constexpr int IDC_RANK = 1142;
    static constexpr int IDC_PRINT_PREVIEW = 1049;
    static constexpr int IDC_EXPORT = 1134;

    explicit CBasicStatDlg(QWidget* parent = nullptr);
    ~CBasicStatDlg() override;

    // 0 by grade, 1 by class, 2 by subject, 3 the classes' standard scores. Returns the mode.
    int SetStatMode(int mode) { return m_nMode = mode; }
    int GetStatMode() const { return m_nMode; }

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 统计计算: the computation of the mode; the dialog stays open.
    void OnOK() override;
    void OnRankStats();
    void OnPrintPreview();
    void OnExportSpreadsheet();
    // WM_PRINTGRID: the grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);

    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    CReportComponent& ReportComponent() { return m_report; }

    CGridCtrl m_grid{0, 0, 0, 0};
    QComboBox* m_cbStatistic;
    int m_nAccumType = 1;    // 0 a grade row, 1 an arts and a science row
    int m_nCountColumns = 0; // 0 the "人数" columns are removed, 1 they stay
    int m_nMode = 0;
    int m_nRows = 0;
    int m_nCols = 0;
    bool m_bRankPending = false;

protected:
    bool event(QEvent* event) override;

private:
    void Compute();

    QButtonGroup* m_accumGroup;
    QButtonGroup* m_countGroup;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRows, m_nCols};
    // Last: it disconnects its sink, which reads the table and the rows, before they go.
    CReportComponent m_report;
};
