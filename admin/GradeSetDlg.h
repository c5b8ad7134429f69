#pragma once

#include "platform/ui/Dialog.h"

// The school's grades and their codes.
class CGradeSetDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 136 };

    explicit CGradeSetDlg(QWidget* parent = nullptr);
};
