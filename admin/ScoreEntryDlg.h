#pragma once

#include "platform/ui/Dialog.h"

// Score entry by class or by exam room, and the score imports.
class CScoreEntryDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 141 };

    explicit CScoreEntryDlg(QWidget* parent = nullptr);

    // 0 by class (import by student number), 1 by exam room, 2 import by name.
    void SetEntryMode(int mode) { m_nEntryMode = mode; }
    int GetEntryMode() const { return m_nEntryMode; }

private:
    int m_nEntryMode = 0;
};
