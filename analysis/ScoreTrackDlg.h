#pragma once

#include "platform/ui/Dialog.h"

// A student's or a class's scores over the exams of a grade, as a chart.
class CScoreTrackDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 155 };

    explicit CScoreTrackDlg(QWidget* parent = nullptr);

    // 0 one student, any other value a class.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

private:
    int m_nMode = 0;
};
