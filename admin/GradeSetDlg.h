#pragma once

#include "admin/LookupTableDlg.h"

// The school's grades and their codes.
class CGradeSetDlg : public CLookupTableDlg {
    Q_OBJECT
public:
    enum { IDD = 136 };
    static constexpr int IDC_ADD = 1014;
    static constexpr int IDC_HELP = 1012;

    explicit CGradeSetDlg(QWidget* parent = nullptr);

protected:
    // A new code for a grade that has students or exams asks first: they keep the old code.
    bool OnGridEndEdit(int row, int col) override;
    // What the grade leaves behind: its students and exams.
    QString DeleteDetail(int row) override;
};
