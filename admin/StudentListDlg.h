#pragma once

#include "admin/AdminCommon.h"
#include "admin/StudentRoster.h"

#include <QStringList>

class CSkinButton;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The number of a new student, proposed and edited before it is added.
class CNewStudentDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 259 };
    static constexpr int IDC_NUMBER = 1110;

    explicit CNewStudentDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    QString m_strStudentId;

private:
    QLineEdit* m_edNumber = nullptr;
};

// Where the class stands in the student number: its first character (from 1) and its digits.
class CClassCodeDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 178 };
    static constexpr int IDC_START = 1054;
    static constexpr int IDC_DIGITS = 1087;

    explicit CClassCodeDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    int m_nStart = 6;
    int m_nDigits = 2;

private:
    QLineEdit* m_edStart = nullptr;
    QLineEdit* m_edDigits = nullptr;
};

// The student roster of a grade or a class, each edit stored at once, with the roster import.
class CStudentListDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    enum { IDD = 132 };
    static constexpr int IDC_GRADE = 1008;
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_LIST = 1013;
    static constexpr int IDC_ADD = 1014;
    static constexpr int IDC_IMPORT = 1015;
    static constexpr int IDC_CLEAR = 1018;
    static constexpr int IDC_HELP = 1012;
    static constexpr int IDC_CLASS_FROM_ID = 1085;
    static constexpr int IDC_AUTO_NUMBER = 1158;
    static constexpr int IDC_FONT = 1205;

    explicit CStudentListDlg(QWidget* parent = nullptr);
    ~CStudentListDlg() override;

    bool OnInitDialog() override;
    // Enter never closes the dialog; only 退出 does.
    void OnOK() override {}

    void OnShowList();
    void OnAddStudent();
    void OnImport();
    void OnClearData();
    void OnClassFromStudentId();
    void OnAutoNumber();
    void OnChooseFont();
    void OnHelp();

    // The grade code of the last action that read the boxes, and its class.
    const QString& GetGradeCode() const { return m_strGrade; }
    int GetClass() const { return m_nClass; }

protected:
    void OnGridBeginEdit(int row, int col) override;
    bool OnGridEndEdit(int row, int col) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillGrades();
    void FillStudentTypes();
    // Reads the grade and class boxes; a grade text that names no grade is refused with a message.
    bool ReadBoxes();
    // Lists the roster of the grade and class last read.
    void ListStudents();
    void ShowAllColumns();
    void SetNumericCells(int row);
    // The roster row grid row `row` stands for: the rowid it was listed under and the 学号 shown.
    roster::RowKey ListedRow(int row);

    bool m_bForwardingKey = false;
    CSkinButton* m_btnFont = nullptr;
    QSpinBox* m_spinClass = nullptr;
    QComboBox* m_cbGrade = nullptr;
    QString m_strGrade;
    int m_nClass = 1;
    int m_nRowCount = 1;
    int m_nColCount = 9;
    QStringList m_strTypes{QString(), QString()};
};
