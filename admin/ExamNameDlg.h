#pragma once

#include "admin/LookupTableDlg.h"

// The common exam names offered when an exam is registered.
class CExamNameDlg : public CLookupTableDlg {
    Q_OBJECT
public:
    enum { IDD = 137 };

    explicit CExamNameDlg(QWidget* parent = nullptr);
};
