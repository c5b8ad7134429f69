#pragma once

#include "platform/ui/Dialog.h"

// Basic statistics of a grade, its classes and its subjects.
class CBasicStatDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 143 };

    explicit CBasicStatDlg(QWidget* parent = nullptr);

    // 0 by grade, 1 by class, 2 by subject, 3 the classes' standard scores.
    void SetStatMode(int mode) { m_nStatMode = mode; }
    int GetStatMode() const { return m_nStatMode; }

private:
    int m_nStatMode = 0;
};
