#pragma once

#include "platform/ui/Dialog.h"

// A student's scores over the exams of a grade, as a table.
class CStudentTrackReportDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 156 };

    explicit CStudentTrackReportDlg(QWidget* parent = nullptr);
};
