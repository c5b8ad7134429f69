#pragma once

#include "platform/ui/Dialog.h"

// Prepares an exam's score rows from the roster, or adds the arts/science stream to an earlier exam.
class CPrepareScoreSheetDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 140 };

    explicit CPrepareScoreSheetDlg(QWidget* parent = nullptr);

    // 0 prepares the score rows, 1 adds the stream to an exam prepared earlier.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

private:
    int m_nMode = 0;
};
