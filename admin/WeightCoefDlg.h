#pragma once

#include "platform/ui/Dialog.h"

// Paper full marks and weights of each subject of an exam.
class CWeightCoefDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 142 };

    explicit CWeightCoefDlg(QWidget* parent = nullptr);
};
