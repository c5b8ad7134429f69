#pragma once
// "教师教学效果评价": two exams of a grade compared class by class for one subject, by the M method
// (z-score levels, transition shares, a score and its rank) or the F method (ranking levels, mean
// rates, the stage F value). 设置 chooses the grade, exams and range; 打印 previews the table.

#include "analysis/TeachEval.h"
#include "controls/MsgBox.h"
#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"
#include "reports/ReportTable.h"

#include <QString>

class CSkinButton;
class CTextProgressBar;
class QButtonGroup;
class QComboBox;

// The record feed: one record per class row, every cell as the grid holds it.
class CTeachEvalReportSink : public CGridReportSink {
protected:
    friend class CReportEventSink;
    CTeachEvalReportSink() = default;
};

class CTeachEvalDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 255 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_SETTINGS = 1198;
    static constexpr int IDC_SUBJECT = 1040;
    static constexpr int IDC_METHOD_M = 1200;
    static constexpr int IDC_METHOD_F = 1064;
    static constexpr int IDC_PRINT = 1091;
    static constexpr int IDC_PROGRESS = 1207;

    explicit CTeachEvalDlg(QWidget* parent = nullptr);
    ~CTeachEvalDlg() override;

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 确定: the chosen method on the chosen subject; the dialog stays open.
    void OnOK() override;
    void OnSettings();
    void OnPrint();
    void OnMethodM();
    void OnMethodF();
    // Rebuilds the report definition from the grid (it does not show it).
    void BuildReport();

    CGridCtrl& Grid() { return m_grid; }
    QComboBox* SubjectBox() const { return m_cbSubject; }
    CTextProgressBar* ProgressBar() const { return m_progress; }
    CReportComponent& ReportComponent() { return m_report; }

    CMsgBox m_msgBox;
    CGridCtrl m_grid{0, 0, 0, 0};
    int m_nRowCount = 1;
    int m_nColCount = 1;
    int m_nFirstExamId = -1;
    int m_nSecondExamId = -1;
    bool m_bExamTyped = false; // an exam of the settings was typed, not chosen
    int m_nGradeIndex = -1;
    int m_nRangeIndex = 0;
    int m_nMethod = teacheval::kMethodM;
    QString m_strSubject;
    QString m_strCaption;
    QString m_strMessage;
    QString m_strAutoClose;
    QString m_strGrade;

private:
    void LoadSubjects();
    // Shows the table in the grid (and keeps its counts beside it).
    void ShowResult();
    void SetMethod(int method);
    void ShowError(const QString& text);

    CSkinButton* m_btnOK;
    CSkinButton* m_btnExit;
    CSkinButton* m_btnPrint;
    CSkinButton* m_btnSettings;
    CTextProgressBar* m_progress;
    QComboBox* m_cbSubject;
    QButtonGroup* m_methodGroup;
    CTextCipher m_cipher;
    CReportTable m_table;
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRowCount, m_nColCount};
    // Last: it disconnects its sink, which reads the grid through the rows, before they go.
    CReportComponent m_report;
};
