#pragma once

#include "admin/AdminCommon.h"
#include "admin/ScoreSheet.h"
#include "data/TextCipher.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// Score entry by class or by exam room, and the score imports.
class CScoreEntryDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    enum { IDD = 141 };
    static constexpr int IDC_NUMBER = 1010;
    static constexpr int IDC_IMPORT = 1015;
    static constexpr int IDC_EXAM = 1038;
    static constexpr int IDC_SUBJECT = 1040;
    static constexpr int IDC_LOAD = 1041;
    static constexpr int IDC_NUMBER_LABEL = 1171;

    explicit CScoreEntryDlg(QWidget* parent = nullptr);
    ~CScoreEntryDlg() override;

    // 0 by class (import by student number), 1 by exam room, 2 import by name.
    void SetEntryMode(int mode) { m_nEntryMode = mode; }
    int GetEntryMode() const { return m_nEntryMode; }

    bool OnInitDialog() override;
    // Enter never closes the dialog.
    void OnOK() override {}
    // 确定: 1 when the grid was (re)loaded, 0 when the load stopped early.
    int OnLoadScores();
    // 分数导入; the imports hang here.
    void OnImportScores();

    // The exam id and the subject column the edits go to; empty when no load has succeeded.
    QString GetExamId() const { return m_strExamId; }
    QString GetSubjectField() const { return m_strSubjectField; }

protected:
    void OnGridBeginEdit(int row, int col) override;
    bool OnGridEndEdit(int row, int col) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillExamCombo();
    void FillSubjectCombo();
    // An early stop: no rows, and no exam or subject left for an edit to reach.
    void ForgetLoad();
    void FillRows(const std::vector<scoresheet::EntryRow>& rows);
    // Entry by room, before the rows are read: a sheet whose exam numbers differ from the saved
    // seating is brought up to it on 是 (an exam without marks) or said to show the exam as it was
    // sat; false, after the message, when nothing is to be listed.
    bool CheckRoomSeating(db::Connection& connection, int examId, const QString& gradeCode);
    // Entry by room, after: a room without students, or in which one exam number names several
    // students, is not listed; false, after the message.
    bool CheckRoomRows(const std::vector<scoresheet::EntryRow>& rows);
    void PaintBands();
    bool EditClass(int row);
    bool EditPaper(int row, int col);
    // A refused edit: the old text back and the message; Enter then stays on the cell.
    bool RefuseCell(int row, int col, const QString& message, unsigned icon);
    // A write that failed: logged, the old text back, 对不起，数据更新失败！ with `notStored` and
    // the reason.
    bool FailUpdate(int row, int col, const db::DbError& error, const QString& notStored);
    // The rowid of the score row that grid row `row` shows.
    long long RowKey(int row) const;
    // That score row with the student number the grid row shows: what a write must still find.
    scoresheet::RowRef RowOf(int row) const;
    int TotalColumn() const { return m_bSenior ? 5 : 4; }
    void AlignNumbers();

    bool m_bForwardingKey = false;
    bool m_bEditRefused = false;

    int m_nEntryMode = 0;
    bool m_bSenior = false;
    QComboBox* m_cbExam = nullptr;
    QComboBox* m_cbSubject = nullptr;
    QSpinBox* m_spinNumber = nullptr;
    QLabel* m_lblNumber = nullptr;
    QPushButton* m_btnImport = nullptr;
    int m_nClassOrRoom = 1;
    int m_nRowCount = 1;
    int m_nColCount = 4;
    scoresheet::Papers m_papers;
    QString m_strSubjectField;
    QString m_strExamId;
    CTextCipher m_cipher;
};
