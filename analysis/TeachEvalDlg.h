#pragma once

#include "platform/ui/Dialog.h"

// Evaluation of teaching effect.
class CTeachEvalDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 255 };

    explicit CTeachEvalDlg(QWidget* parent = nullptr);
};
