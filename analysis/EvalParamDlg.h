#pragma once
// "参数设定" of the teaching-effect evaluation: a grade, its entry and exit exams and a range of
// classes (全年级, 文科班, 理科班). It reopens on the grade, exams and range handed in. Nothing is
// checked here: the evaluation dialog judges what it gets back.

#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <QString>
#include <QVariant>

class CSkinButton;
class QComboBox;

class CEvalParamDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 254 };
    static constexpr int IDC_GRADE = 1149;
    static constexpr int IDC_RANGE = 1199;
    static constexpr int IDC_FIRST_EXAM = 1196;
    static constexpr int IDC_SECOND_EXAM = 1197;

    explicit CEvalParamDlg(QWidget* parent = nullptr);
    ~CEvalParamDlg() override;

    bool OnInitDialog() override;
    void OnOK() override;
    void OnSelChangeGrade();
    void OnSelChangeFirstExam();
    void OnSelChangeSecondExam();

    QComboBox* GradeBox() const { return m_cbGrade; }
    QComboBox* RangeBox() const { return m_cbRange; }
    QComboBox* FirstExamBox() const { return m_cbFirstExam; }
    QComboBox* SecondExamBox() const { return m_cbSecondExam; }

    QString m_strFirstExam;
    QString m_strSecondExam;
    int m_nFirstExamId = -1;
    int m_nSecondExamId = -1;
    int m_nGradeIndex = -1;
    int m_nRangeIndex = 0;
    QString m_strGrade;
    // An exam box held typed text instead of a chosen entry (its exam id is then -1).
    bool m_bExamTyped = false;

private:
    void LoadGrades();
    // The exams of the grade at `index` in both exam lists, none chosen.
    void FillExamLists(int index);
    // The exam of a chosen entry: -1 when none was chosen or it is gone.
    int GetExamId(const QString& text, const QVariant& id);

    CSkinButton* m_btnCancel;
    CSkinButton* m_btnOK;
    QComboBox* m_cbRange;
    QComboBox* m_cbSecondExam;
    QComboBox* m_cbFirstExam;
    QComboBox* m_cbGrade;
    // The ids the chosen exam entries were listed with; typed text is never used.
    QVariant m_firstExamEntry;
    QVariant m_secondExamEntry;
    CTextCipher m_cipher;
};
