#pragma once

#include "platform/ui/Dialog.h"

// A grade's exams: changes a date, deletes an exam with its scores.
class CExamMaintainDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 243 };

    explicit CExamMaintainDlg(QWidget* parent = nullptr);
};
