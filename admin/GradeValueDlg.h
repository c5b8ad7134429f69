#pragma once

#include "admin/LookupTableDlg.h"

// The grade-score values.
class CGradeValueDlg : public CLookupTableDlg {
    Q_OBJECT
public:
    enum { IDD = 138 };

    explicit CGradeValueDlg(QWidget* parent = nullptr);
};
