#pragma once

#include "platform/ui/Dialog.h"

// The students' common categories.
class CStudentTypeDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 258 };

    explicit CStudentTypeDlg(QWidget* parent = nullptr);
};
