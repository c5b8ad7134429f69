#pragma once

#include "platform/ui/Dialog.h"

// The analysis exam and subjects, and the students' valid totals.
class CAnalysisParamDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 144 };

    explicit CAnalysisParamDlg(QWidget* parent = nullptr);

    // 0 chooses the analysis exam and subjects, 1 computes the students' valid totals.
    void SetParamMode(int mode) { m_nParamMode = mode; }
    int GetParamMode() const { return m_nParamMode; }

private:
    int m_nParamMode = 0;
};
