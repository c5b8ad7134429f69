#pragma once

#include "controls/LunarDatePicker.h"
#include "platform/ui/Dialog.h"

// The Chinese lunar calendar: one date panel.
class CLunarDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 237, IDC_DATEPICKER = 236, IDI_LUNAR = 238 };

    explicit CLunarDlg(QWidget* parent = nullptr);
    ~CLunarDlg() override;

    bool OnInitDialog() override;

    CLunarDatePicker& GetDatePicker() { return m_datePicker; }

private:
    CLunarDatePicker m_datePicker;
};
