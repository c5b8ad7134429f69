#pragma once

#include "platform/ui/Dialog.h"

// Asks whether the cut is a score or a proportion of the students.
class CPercentModeDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 248 };

    explicit CPercentModeDlg(QWidget* parent = nullptr);

    // 0, or 1 for the top-student averages (the group box then asks for the excellence cut).
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

    // The chosen method, read after DoModal returned IDOK: 0 by score, 1 by proportion of students.
    int m_nMethod = 1;

private:
    int m_nMode = 0;
};
