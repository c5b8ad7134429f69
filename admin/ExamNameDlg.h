#pragma once

#include "platform/ui/Dialog.h"

// The common exam names offered when an exam is registered.
class CExamNameDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 137 };

    explicit CExamNameDlg(QWidget* parent = nullptr);
};
