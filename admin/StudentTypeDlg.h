#pragma once

#include "admin/AdminCommon.h"

// The students' common categories: a short code and its description.
class CStudentTypeDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    enum { IDD = 258 };
    static constexpr int IDC_HELP = 1012;

    explicit CStudentTypeDlg(QWidget* parent = nullptr);
    ~CStudentTypeDlg() override;

    bool OnInitDialog() override;
    // "刷新", also Enter: reloads the table.
    void OnOK() override;
    void OnHelp();

    // Creates the table with its two default rows when the database lacks it.
    void CreateTypeTable();
    void LoadTypes();

    int GetRowCount() const { return m_nRowCount; }

protected:
    void OnGridBeginEdit(int row, int col) override;
    bool OnGridEndEdit(int row, int col) override;

private:
    int m_nRowCount = 1;
    QString m_strKey; // the code of the row being edited, as it was when the edit began
};
