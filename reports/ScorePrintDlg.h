#pragma once
// "成绩打印": one class's score list ordered by a total, with its ranks, the arts and science
// totals and every participating subject (mode 0), or the same as score slips, one per student
// (mode 1).

#include "report/GridReportSink.h"
#include "reports/ScoreListDlg.h"

class CSpinButtonCtrl;

// The record feed: every row in the list; with score slips only the student rows (1, 4, 7, ...),
// never the title copies and blank rows between them.
class CScorePrintReportSink : public CStrideReportSink {
protected:
    friend class CReportEventSink;
    explicit CScorePrintReportSink(int stride) : CStrideReportSink(stride) {}
};

class CScorePrintDlg : public CScoreListDlg {
    Q_OBJECT
public:
    enum { IDD = 175 };
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_CLASS_SPIN = 1043;

    explicit CScorePrintDlg(QWidget* parent = nullptr);
    ~CScorePrintDlg() override;

    // 0 class score lists, 1 score slips.
    void SetPrintMode(int mode) { m_nMode = mode; }
    int GetPrintMode() const { return m_nMode; }

    bool OnInitDialog() override;

    int m_nClass = 1;
    int m_nMode = 0;

protected:
    reports::ScorePrintOptions Options() const override;
    bool RangeWithoutX(int item) const override { return item == 0; }
    QString Caption() const override;
    bool ExchangeOwn(bool saveAndValidate) override;
    void CreateSink() override;
    bool Slips() const override { return m_nMode == 1; }

private:
    QLineEdit* m_editClass;
    CSpinButtonCtrl* m_spinClass;
};
