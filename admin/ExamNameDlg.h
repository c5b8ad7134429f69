#pragma once

#include "admin/LookupTableDlg.h"

// The common exam names offered when an exam is registered.
class CExamNameDlg : public CLookupTableDlg {
    Q_OBJECT
public:
    enum { IDD = 137 };
    static constexpr int IDC_ADD = 1028;
    static constexpr int IDC_HELP = 1027;

    explicit CExamNameDlg(QWidget* parent = nullptr);
};
