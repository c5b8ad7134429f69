#pragma once

#include "platform/ui/Dialog.h"

// The subjects; adding one also adds its score columns.
class CSubjectSetDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 135 };

    explicit CSubjectSetDlg(QWidget* parent = nullptr);
};
