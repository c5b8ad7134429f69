#pragma once

#include "platform/ui/Dialog.h"

// Excellent rates, pass rates and top-student averages of each class.
class CExcellentRateDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 245 };

    explicit CExcellentRateDlg(QWidget* parent = nullptr);

    // mode: 0 excellent rate, 1 pass rate, 2 average of the top students; method: 0 the cut is a
    // score, 1 a proportion of the students. Returns the mode.
    int SetMode(int mode, int method) {
        m_nMode = mode;
        m_nMethod = method;
        return m_nMode;
    }
    int GetMode() const { return m_nMode; }
    int GetMethod() const { return m_nMethod; }

private:
    int m_nMode = 0;
    int m_nMethod = 0;
};
