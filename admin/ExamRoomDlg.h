#pragma once

#include "platform/ui/Dialog.h"

// Seats a grade's students in exam rooms and prints the lists.
class CExamRoomDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 244 };

    explicit CExamRoomDlg(QWidget* parent = nullptr);
};
