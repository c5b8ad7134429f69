#pragma once

#include "admin/AdminCommon.h"
#include "admin/SettingsTables.h"

#include <vector>

// The students' common categories: a short code and its description. Each grid row keeps the key of
// its category from the load on and is written by it, so that a changed code finds its row.
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
    bool OnGridEndEdit(int row, int col) override;

private:
    int m_nRowCount = 1;
    std::vector<settings::RowKey> m_rowKeys; // grid row r holds category m_rowKeys[r - 1]
};
