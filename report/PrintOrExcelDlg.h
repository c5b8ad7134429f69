#pragma once
// The choice before a report is output: the print preview (0) or a spreadsheet file (1).

#include "platform/ui/Dialog.h"

#include <functional>

class QRadioButton;

class CPrintOrExcelDlg : public ui::Dialog {
    Q_OBJECT
public:
    static constexpr int IDD = 239;

    explicit CPrintOrExcelDlg(QWidget* parent = nullptr);
    ~CPrintOrExcelDlg() override;

    // 0 print preview, 1 spreadsheet; read it only after DoModal answered IDOK.
    int m_nChoice = 0;

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    void OnOK() override;

private:
    QRadioButton* m_radioPreview;
    QRadioButton* m_radioExcel;
};

// Asks for the output and runs `preview` or `exportXls` as chosen; nothing when the user cancels.
void ChoosePrintOrExport(QWidget* parent, const std::function<void()>& preview,
                         const std::function<void()>& exportXls);
