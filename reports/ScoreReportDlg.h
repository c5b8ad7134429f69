#pragma once

#include "platform/ui/Dialog.h"

// Single-subject lists, standard scores, T scores and standardisation.
class CScoreReportDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 149 };

    explicit CScoreReportDlg(QWidget* parent = nullptr);

    // 0 single-subject lists, 1 standard scores, 2 T scores, 3 standardised scores.
    void SetReportMode(int mode) { m_nReportMode = mode; }
    int GetReportMode() const { return m_nReportMode; }

private:
    int m_nReportMode = 0;
};
