#pragma once

#include "platform/ui/Dialog.h"

// The Chinese lunar calendar.
class CLunarDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 237 };

    explicit CLunarDlg(QWidget* parent = nullptr);
};
