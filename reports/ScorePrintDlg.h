#pragma once

#include "platform/ui/Dialog.h"

// Class score lists and score slips.
class CScorePrintDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 175 };

    explicit CScorePrintDlg(QWidget* parent = nullptr);

    // 0 class score lists, 1 score slips.
    void SetPrintMode(int mode) { m_nPrintMode = mode; }
    int GetPrintMode() const { return m_nPrintMode; }

private:
    int m_nPrintMode = 0;
};
