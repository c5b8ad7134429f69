#pragma once

#include "platform/ui/Dialog.h"

// Registers an exam: school year, term, exam name, grade and date.
class CExamRegisterDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 130 };

    explicit CExamRegisterDlg(QWidget* parent = nullptr);
};
