#pragma once

#include "admin/LookupTableDlg.h"

// The school's grades and their codes.
class CGradeSetDlg : public CLookupTableDlg {
    Q_OBJECT
public:
    enum { IDD = 136 };

    explicit CGradeSetDlg(QWidget* parent = nullptr);
};
