#pragma once

#include "platform/ui/Dialog.h"

// Students above the qualifying lines, by class and subject.
class CQualifyLineDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 246 };

    explicit CQualifyLineDlg(QWidget* parent = nullptr);
};
