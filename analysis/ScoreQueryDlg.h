#pragma once
// "成绩查询": finds a grade's students by part of a name, and lists every exam row of the student
// picked: class, exam, optionally the stream with the arts and science totals, the total and every
// subject. The grid sorts by a header click, takes a chosen font, and is exported as a spreadsheet.

#include "controls/BitmapDialog.h"
#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridNotifyAdapter.h"
#include "data/TextCipher.h"
#include "report/ReportRowSource.h"

class CSkinButton;
class QComboBox;
class QLineEdit;
class CReportTable;
namespace db {
class DbError;
}

class CScoreQueryDlg : public CBitmapDialog {
    Q_OBJECT
public:
    enum { IDD = 242 };
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_EXPORT = 1134;
    static constexpr int IDC_SEARCH = 1150;
    static constexpr int IDC_FONT = 1205;
    static constexpr int IDC_GRADE = 1149;
    static constexpr int IDC_NAME = 1148;
    static constexpr int IDC_STUDENT_ID = 1110;
    static constexpr int IDB_BACKGROUND = 288;

    explicit CScoreQueryDlg(QWidget* parent = nullptr);
    ~CScoreQueryDlg() override;

    void DoDataExchange(bool saveAndValidate) override;
    bool OnInitDialog() override;
    // 查询成绩: the picked student's history; the dialog stays open.
    void OnOK() override;
    void OnSearchStudent();
    void OnExport();
    void OnChooseFont();
    void OnGridClick(int row, int col);

    CGridCtrl& Grid() { return m_grid; }
    QComboBox* GradeList() const { return m_cbGrade; }

    CGridCtrl m_grid{0, 0, 0, 0};
    int m_nRowCount = 1;
    int m_nColCount = 4;
    QString m_strName;
    QString m_strGrade;
    QString m_strStudentId;

protected:
    bool event(QEvent* event) override;
    void OnBackgroundReady(const QImage& background) override;

private:
    void LoadGrades();
    void Show(const CReportTable& table);
    void ShowDbError(const char* what, const db::DbError& error);

    CSkinButton* m_btnExport;
    CSkinButton* m_btnQuery;
    CSkinButton* m_btnSearch;
    CSkinButton* m_btnFont;
    QComboBox* m_cbGrade;
    QLineEdit* m_editName;
    QLineEdit* m_editStudentId;
    CTextCipher m_cipher;
    CGridNotifyAdapter m_notify{m_grid};
    CGridRowSource<CGridCtrl> m_rows{m_grid, m_nRowCount, m_nColCount};
};
