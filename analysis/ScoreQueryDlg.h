#pragma once

#include "controls/BitmapDialog.h"

// A student's scores in every exam.
class CScoreQueryDlg : public CBitmapDialog {
    Q_OBJECT
public:
    enum { IDD = 242 };

    explicit CScoreQueryDlg(QWidget* parent = nullptr);
};
