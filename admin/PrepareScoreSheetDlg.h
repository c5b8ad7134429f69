#pragma once

#include "controls/grid/GridCtrl.h"
#include "data/ExamChooser.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <functional>

class QComboBox;
class QPushButton;

// Prepares an exam's score rows from the roster, or adds the arts/science stream to an earlier exam.
class CPrepareScoreSheetDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 140 };
    static constexpr int IDC_EXAM = 1035;
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_LOAD = 1036;
    static constexpr int IDC_ADD_INFO = 1147;

    explicit CPrepareScoreSheetDlg(QWidget* parent = nullptr);

    // 0 prepares the score rows, 1 adds the stream to an exam prepared earlier.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

    bool OnInitDialog() override;
    // Enter never closes the dialog.
    void OnOK() override {}
    void FillExamCombo();
    // Shows the rows of the exam that the box's selected entry names.
    void LoadRoster();
    void OnLoadData();
    void OnAddStreamInfo();
    void OnSelEndOkExam();

    CGridCtrl& Grid() { return m_Grid; }

private:
    // The exam of the box's text as it shows, typed or chosen; none when the database fails.
    data::ExamRef ShownExam();
    void LoadRows(const data::ExamRef& exam);
    // Runs the job on the exam the box shows, under the wait cursor; a failure, or a text that
    // names no exam, is reported. The grid then shows the exam's rows.
    void RunOnExam(const std::function<void(db::Connection&, const data::ExamRef&)>& job);

    int m_nMode = 0;
    CGridCtrl m_Grid;
    QComboBox* m_cbExam = nullptr;
    QPushButton* m_btnLoad = nullptr;
    QPushButton* m_btnAddInfo = nullptr;
    CTextCipher m_cipher;
};
