#pragma once

#include "platform/ui/Dialog.h"

// Normality test, and significance test between classes.
class CSignificanceTestDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 252 };

    explicit CSignificanceTestDlg(QWidget* parent = nullptr);

    // 0 normality test, 1 significance test between classes.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

private:
    int m_nMode = 0;
};
