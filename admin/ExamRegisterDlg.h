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
    void FillList(QComboBox* combo, const QString& sql);

    QComboBox* m_cbYear = nullptr;
    QLineEdit* m_edSecondYear = nullptr;
    QComboBox* m_cbTerm = nullptr;
    QDateEdit* m_dtExamDate = nullptr;
    QComboBox* m_cbExamName = nullptr;
    QComboBox* m_cbGrade = nullptr;
    QDate m_today;
    CTextCipher m_cipher;
};
