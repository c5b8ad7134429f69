#pragma once
// "成绩分析参数设定": the exam and the subjects that take part in analysis, saved into the main
// frame's analysis context (mode 0); in mode 1 the same dialog recomputes the students' valid
// arts, science or overall totals from the ticked subjects.

#include "controls/MsgBox.h"
#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

class CAnalysisParamDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 144 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_EXAM = 1038;
    static constexpr int IDC_SELECT_ALL = 1102;
    static constexpr int IDC_SELECT_NONE = 1144;
    static constexpr int IDC_TOTAL_TYPE = 1146;
    static constexpr int IDC_TOTAL_LABEL = 1079;

    explicit CAnalysisParamDlg(QWidget* parent = nullptr);
    ~CAnalysisParamDlg() override;

    // 0 chooses the analysis exam and subjects, 1 computes the students' valid totals.
    void SetParamMode(int mode) { m_nMode = mode; }
    int GetParamMode() const { return m_nMode; }

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 保存 (mode 0) or 计算 (mode 1); the dialog stays open.
    void OnOK() override;
    void OnSelectAll();
    void OnSelectNone();
    void OnTotalTypeChange();

    // The check of subject row `row` (1-based).
    bool GetSubjectCheck(int row) const;
    void SetSubjectCheck(int row, bool checked);

    CGridCtrl& Grid() { return m_Grid; }
    QComboBox* ExamBox() const { return m_cbExam; }
    QComboBox* TotalTypeBox() const { return m_cbTotalType; }

    QComboBox* m_cbTotalType;
    QComboBox* m_cbExam;
    QString m_strExam;
    CGridCtrl m_Grid{0, 0, 0, 0};
    int m_nRows = 0;
    int m_nCols = 0;
    CMsgBox m_MsgBox;
    QString m_strMessage;
    QString m_strCaption;
    QString m_strAutoClose;
    int m_nMode = 0;

private:
    void FillExamList();
    void FillSubjectGrid();
    void SaveParams();
    void ComputeTotals();
    QPushButton* Button(int id) const;

    CTextCipher m_cipher;
};
