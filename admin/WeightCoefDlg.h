#pragma once

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridNotifyAdapter.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <QStringList>

class QComboBox;

// Paper full marks and weights of each subject of an exam.
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
    void LoadWeights();

    CGridCtrl m_Grid;
    QComboBox* m_cbExam = nullptr;
    int m_nExamId = -1;
    // The subject column of each data row (row 1 is entry 0): the key its edits are written under.
    QStringList m_rowFields;
    CTextCipher m_cipher;
    CGridNotifyAdapter m_notify{m_Grid};
};
