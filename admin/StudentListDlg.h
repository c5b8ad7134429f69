#pragma once

#include "platform/ui/Dialog.h"

// The student roster with its import.
class CStudentListDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 132 };

    explicit CStudentListDlg(QWidget* parent = nullptr);
};
