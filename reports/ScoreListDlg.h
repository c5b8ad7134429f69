#pragma once
// What the class score printing and the grade score printing dialogs share: the grid on the left,
// the rank choices, the stream-total and range boxes with the number X on the right, the list
// built on "确定", sorting by a click on a column title, "打印" with its choice between the
// preview and a spreadsheet file, and the grid's print request.

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridNotifyAdapter.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"
#include "reports/ScorePrint.h"

#include <cstdint>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

class CScoreListDlg : public ui::Dialog {
    Q_OBJECT
public:
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_TOTAL_RANK = 1063;
    static constexpr int IDC_SUBJECT_RANK = 1065;
    static constexpr int IDC_STREAM_TOTALS = 1076;
    static constexpr int IDC_RANGE = 1078;
    static constexpr int IDC_X = 1089;
    static constexpr int IDC_X_LABEL = 1090;
    static constexpr int IDC_PRINT = 1091;

    ~CScoreListDlg() override;

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // Builds the list; the dialog stays open.
    void OnOK() override;
    // A choice confirmed in the range box shows or hides the number X.
    void OnRangeChange();
    void OnPrint();
    // A click on a column title: the names sort as text, every other column by its whole numbers.
    // WM_PRINTGRID: the grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);
    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();
    void ExportToXls();

    CGridCtrl& Grid() { return m_grid; }
    const CReportTable& Table() const { return m_table; }
    CReportComponent& ReportComponent() { return m_report; }
    QComboBox* StreamTotalBox() const { return m_cbStreamTotals; }
    QComboBox* RangeBox() const { return m_cbRange; }

    int m_nTotalRank;
    int m_nSubjectRank;
    int m_nX = 0;
    int m_nRows = 1;
    int m_nCols = 4;

protected:
    struct Radio {
        int id;
        QString text;
        QRect rect; // within the box, in template units
    };
    CScoreListDlg(int templateId, int totalRank, int subjectRank, QWidget* parent);

    // The parts of the right-hand column, in template units.
    QGroupBox* AddBox(const QString& title, const QRect& rect);
    QButtonGroup* AddRadios(QGroupBox* box, const std::vector<Radio>& radios);
    void AddChoiceBoxes(const QStringList& rangeItems, int top);
    void AddButtons(int top);

    // The dialog's choices as list options.
    virtual reports::ScorePrintOptions Options() const = 0;
    // Whether a range item lists a whole group, without X.
    virtual bool RangeWithoutX(int item) const = 0;
    virtual QString Caption() const = 0;
    // The dialog's own controls: read into the members or set from them. False when a read
    // refused a value (its message shown): the exchange stops there, one message per click.
    virtual bool ExchangeOwn(bool saveAndValidate) {
        (void)saveAndValidate;
        return true;
    }
    // The dialog's sink, connected to the component.
    virtual void CreateSink() = 0;
    // Score slips: a report grouped by student, the captions at every slip.
    virtual bool Slips() const { return false; }

    bool event(QEvent* event) override;

    CGridCtrl m_grid{0, 0, 0, 0};
    CGridNotifyAdapter m_notify{m_grid};
    QButtonGroup* m_totalGroup = nullptr;
    QButtonGroup* m_subjectGroup = nullptr;
    QComboBox* m_cbStreamTotals = nullptr;
    QComboBox* m_cbRange = nullptr;
    QLineEdit* m_editX = nullptr;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRows, m_nCols};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
