#pragma once

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridNotifyAdapter.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <vector>

class QComboBox;
class QLineEdit;

// A grade's exams: changes a date, deletes an exam with its scores.
class CExamMaintainDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 243 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_DELETE = 1021;
    static constexpr int IDC_GRADE = 1149;
    static constexpr int IDC_EXAM_ID = 1154;

    explicit CExamMaintainDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    // The "帮助" button, which is the dialog's OK button.
    void OnOK() override;
    void FillGrades();
    void OnSelectGrade();
    // False refuses the edit: the cell shows its old text again.
    bool OnGridEndEdit(int row, int col);
    void OnGridClick(int row, int col);
    void OnDeleteExam();

    CGridCtrl& Grid() { return m_Grid; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // The exam that grid row `row` lists; -1 for the title row.
    int ExamOfRow(int row) const;
    // The row that lists exam `id`; -1 when the list does not show it.
    int RowOfExam(int id) const;
    void ForgetChosenExam();
    void ShowAllColumns();

    CGridCtrl m_Grid;
    QComboBox* m_cbGrade = nullptr;
    QLineEdit* m_edExamId = nullptr;
    std::vector<int> m_examIds; // the exam of each listed row, from the load on
    int m_nExamId = -1;         // the clicked exam of the list shown; -1: none
    QString m_strExamName;
    CTextCipher m_cipher;
    CGridNotifyAdapter m_notify{m_Grid};
};
