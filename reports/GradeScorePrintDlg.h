#pragma once
// "年级成绩打印": the whole grade's score list, or one stream's, ordered by the matching total,
// with the grade rank, the arts and science totals and every participating subject with its rank
// in the grade or a stream; a range keeps the first X or those after the X-th.

#include "report/GridReportSink.h"
#include "reports/ScoreListDlg.h"

class CGifStatic;

// The record feed: every row of the list.
class CGradeScorePrintReportSink : public CGridReportSink {
protected:
    friend class CReportEventSink;
    CGradeScorePrintReportSink() = default;
};

class CGradeScorePrintDlg : public CScoreListDlg {
    Q_OBJECT
public:
    enum { IDD = 179 };
    static constexpr int IDC_PICTURE = 1077;

    explicit CGradeScorePrintDlg(QWidget* parent = nullptr);
    ~CGradeScorePrintDlg() override;

    bool OnInitDialog() override;

protected:
    reports::ScorePrintOptions Options() const override;
    // The whole grade, the arts classes and the science classes list without X.
    bool RangeWithoutX(int item) const override { return item % 3 == 0; }
    QString Caption() const override;
    void CreateSink() override;

private:
    CGifStatic* m_gifPicture;
};
