#pragma once

#include "platform/ui/Dialog.h"

// The grade-score values.
class CGradeValueDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 138 };

    explicit CGradeValueDlg(QWidget* parent = nullptr);
};
