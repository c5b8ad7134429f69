#pragma once

#include "platform/ui/Dialog.h"

// The whole grade's scores for printing.
class CGradeScorePrintDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 179 };

    explicit CGradeScorePrintDlg(QWidget* parent = nullptr);
};
