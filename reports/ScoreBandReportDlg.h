#pragma once
// "各班各科分数段报表": how many students of each class scored in each band of a chosen width, for
// one participating subject or a total, as a table with running totals, as a histogram with the
// normal curve or as a pie of one class; one class's bands with percentages and cumulative
// figures. The table is previewed through the report component or exported as a spreadsheet file;
// a chart is saved as a .bmp file. With it come the band-range and class-number dialogs.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportTable.h"
#include "reports/ValidTotals.h"

#include <QString>

#include <cstdint>

class CChartCtrl;
class CSpinButtonCtrl;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
namespace reports {
struct BandRequest;
}

// "分数范围设定": the low and high bound of the bands.
class CScoreBandRangeDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 146 };
    static constexpr int IDC_LOW = 1054;
    static constexpr int IDC_HIGH = 1055;

    explicit CScoreBandRangeDlg(QWidget* parent = nullptr);
    bool DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    void OnOK() override;

    int m_nLow = 0;
    int m_nHigh = 150;

private:
    QLineEdit* m_editLow;
    QLineEdit* m_editHigh;
};

// "请输入班级": one class number, 1 to 100.
class CClassInputDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 148 };
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_SPIN = 1043;

    explicit CClassInputDlg(QWidget* parent = nullptr);
    bool DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    void OnOK() override;

    int m_nClass = 1;

private:
    QLineEdit* m_editClass;
    CSpinButtonCtrl* m_spin;
};

class CScoreBandReportDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 145 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_SUBJECT = 1051;
    static constexpr int IDC_WIDTH = 1052;
    static constexpr int IDC_RANGE = 1053;
    static constexpr int IDC_CLASS_BANDS = 1056;
    static constexpr int IDC_STYLE_TABLE = 1123;
    static constexpr int IDC_STYLE_HISTOGRAM = 1064;
    static constexpr int IDC_STYLE_PIE = 1125;
    static constexpr int IDC_CHART = 1124;
    static constexpr int IDC_SPIN = 1127;
    static constexpr int IDC_PRINT = 1091;
    static constexpr int IDC_EXPORT = 1134;

    explicit CScoreBandReportDlg(QWidget* parent = nullptr);
    ~CScoreBandReportDlg() override;

    // The band width the dialog opens with; called between construction and DoModal.
    void SetBandWidth(int width) { m_nBandWidth = width; }
    int GetBandWidth() const { return m_nBandWidth; }
    // The chart: the significance test sets its normal-curve flag before DoModal.
    CChartCtrl& Chart() { return *m_chart; }

    bool DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 年级统计: the grade table (and the chart of the chosen class); the dialog stays open.
    void OnOK() override;
    // 退出, Esc and the close box: the dialog closes, and a width typed and not yet judged is
    // dropped unjudged.
    void OnCancel() override;
    void OnClassBands();
    void OnBandRange();
    void OnStyleTable();
    void OnStyleHistogram();
    void OnStylePie();
    void OnSubjectChange();
    void OnClassChange();
    void OnBandWidthChange();
    void OnBandWidthDone();
    void OnPrint();
    void OnExportSpreadsheet();
    void UpdateChart();
    void SaveBitmap();
    void BuildReport();
    // WM_PRINTGRID: the grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    CReportComponent& ReportComponent() { return m_report; }
    QComboBox* SubjectBox() const { return m_cbSubject; }
    QComboBox* ClassBox() const { return m_cbClass; }
    QLineEdit* WidthEdit() const { return m_editWidth; }

    QString m_strSubject;
    int m_nBandWidth = 10;
    int m_nStyle = 0; // 0 table, 1 histogram, 2 pie
    QString m_strClass;
    double m_dMean = 0;
    double m_dStdDev = 0;
    int m_nRowCount = 1;
    int m_nColCount = 0;
    int m_nChartClass = 1;
    // The range the user set; equal bounds mean none, and every subject is then banded from 0 to
    // its own full mark (the bounds are not overwritten by one subject's full mark).
    int m_nHigh = 0;
    int m_nLow = 0;
    int m_nShownHigh = 0; // the high bound of the table shown last

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The request of the controls, after the check of the marks, full marks and totals the report
    // reads (ReadyToCompute); false after telling the user why none can be made.
    bool ReadRequest(reports::BandRequest& request);
    void ShowStyle(int style);
    void ShowGrid();
    void ReadChartClass();
    int SubjectNumber() const;
    // What the bands of the chosen subject or total read, for the check before computing.
    reports::ReportReads Reads() const;

    CGridCtrl m_grid{0, 0, 0, 0};
    CChartCtrl* m_chart;
    QComboBox* m_cbSubject;
    QComboBox* m_cbClass;
    QLineEdit* m_editWidth;
    CSpinButtonCtrl* m_spin;
    QButtonGroup* m_styles;
    QPushButton* m_btnQuit;
    bool m_bExchanging = false;
    // From 退出 (or Esc, or the close box) until the dialog is shown again: the width box losing
    // the focus as the dialog goes judges nothing.
    bool m_bLeaving = false;
    // The bands are computed again at every change: a 否 to the out-of-date totals holds for the
    // rest of this opening.
    reports::StaleTotalsAnswer m_staleAnswer;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRowCount, m_nColCount};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
