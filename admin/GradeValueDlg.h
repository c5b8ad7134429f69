#pragma once

#include "admin/LookupTableDlg.h"

// The grade-score values.
class CGradeValueDlg : public CLookupTableDlg {
    Q_OBJECT
public:
    enum { IDD = 138 };
    static constexpr int IDC_ADD = 1028;
    static constexpr int IDC_HELP = 1027;

    explicit CGradeValueDlg(QWidget* parent = nullptr);
};
