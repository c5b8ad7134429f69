#pragma once

#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <QDate>

class QComboBox;
class QDateEdit;
class QLineEdit;

// Registers an exam: school year, term, exam name, grade and date.
class CExamRegisterDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 130 };
    static constexpr int IDC_YEAR = 1000;
    static constexpr int IDC_DATE = 1003;
    static constexpr int IDC_EXAM_NAME = 1005;
    static constexpr int IDC_GRADE = 1006;
    static constexpr int IDC_SECOND_YEAR = 1017;
    static constexpr int IDC_TERM = 1019;
    static constexpr int IDC_REGISTER = 1033;

    explicit CExamRegisterDlg(QWidget* parent = nullptr);

    // The day the school year and term are proposed for; today unless set before the dialog opens.
    void SetToday(const QDate& today) { m_today = today; }

    bool OnInitDialog() override;
    // Enter never closes the dialog.
    void OnOK() override {}
    void OnYearKillFocus();
    void OnRegister();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillYears();
    void FillExamNames();
    void FillGrades();

    QComboBox* m_cbYear = nullptr;
    QLineEdit* m_edSecondYear = nullptr;
    QComboBox* m_cbTerm = nullptr;
    QDateEdit* m_dtExamDate = nullptr;
    QComboBox* m_cbExamName = nullptr;
    QComboBox* m_cbGrade = nullptr;
    QDate m_today;
    CTextCipher m_cipher;
};
