#pragma once

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridNotifyAdapter.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <vector>

class QComboBox;

// Paper full marks and weights of each subject of an exam. A typed full mark is a whole number from
// 0 to 1000 (0: the subject has one paper), a weight a number from 0 to 10, and a row's full mark
// must stay above 0, and a full mark is not lowered below the paper's highest stored mark in the
// exam; anything else is refused and the old text comes back. A changed weight makes the exam's
// stored subject scores again with the row (examsetup::WriteWeights).
class CWeightCoefDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 142 };
    static constexpr int IDC_EXAM = 1038;
    static constexpr int IDC_GRID = 1007;

    explicit CWeightCoefDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    // 确定 and Enter: loads the chosen exam's rows; the dialog stays open.
    void OnOK() override;
    void FillExamCombo();
    void OnSelEndOkExam();
    void OnEditChangeExam();
    // False refuses the edit: the cell shows its old text again.
    bool OnGridEndEdit(int row, int col);

    int GetChosenExamId() const { return m_nExamId; }
    CGridCtrl& Grid() { return m_Grid; }

protected:
    bool event(QEvent* e) override;

private:
    void EmptyGrid();
    // A refused edit: the old text back and `message`; false, the refusal's answer.
    bool RefuseWeight(int row, int col, const QString& message);
    void LoadWeights();

    CGridCtrl m_Grid;
    QComboBox* m_cbExam = nullptr;
    int m_nExamId = -1;
    // The weight row of each data row (row 1 is entry 0), from the load on: its edits are
    // written under it, whatever name the row shows.
    std::vector<long long> m_rowKeys;
    CTextCipher m_cipher;
    CGridNotifyAdapter m_notify{m_Grid};
};
