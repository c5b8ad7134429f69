#pragma once

#include "platform/ui/Dialog.h"

// Score bands of each class and subject.
class CScoreBandReportDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 145 };

    explicit CScoreBandReportDlg(QWidget* parent = nullptr);
};
