#pragma once

#include "admin/AdminCommon.h"
#include "data/TextCipher.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// A paper mark as typed: blanks trimmed, cut at the first character that is neither a digit nor
// '.', or at a second '.', and shown "%6.2f". An empty text stays empty.
QString NormalizeScoreText(const QString& text);

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
    bool OnGridEndEdit(int row, int col) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillExamCombo();
    void FillSubjectCombo();
    // An early stop: no rows, and no exam or subject left for an edit to reach.
    void ForgetLoad();
    void FillRows(db::Recordset& rs);
    void PaintBands();
    bool EditClass(int row);
    bool EditPaper(int row, int col);
    bool ExecuteSql(const QString& sql, const std::vector<db::Variant>& params);
    bool m_bForwardingKey = false;
    int TotalColumn() const { return m_bSenior ? 5 : 4; }

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
    int m_nT1 = 0;
    int m_nT2 = 0;
    float m_fT1w = 0;
    float m_fT2w = 0;
    QString m_strSubjectField;
    QString m_strExamId;
    CTextCipher m_cipher;
};
