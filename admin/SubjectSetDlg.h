#pragma once

#include "admin/AdminCommon.h"
#include "admin/SettingsTables.h"
#include "data/TextCipher.h"

#include <vector>

// The subjects; adding one also adds its score columns. Each grid row keeps the key of its subject
// from the load on, and is written and deleted by it.
class CSubjectSetDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    enum { IDD = 135 };
    static constexpr int IDC_HELP = 1012;
    static constexpr int IDC_DELETE = 1021;
    static constexpr int IDC_ADD = 1023;

    // The analysis context keeps one flag per subject for 50 subjects, and from 100 on a subject's
    // column would collide with a paper column of another ("s101" is paper I of "s10").
    static constexpr int kMaxSubjects = 50;

    explicit CSubjectSetDlg(QWidget* parent = nullptr);
    ~CSubjectSetDlg() override;

    bool OnInitDialog() override;
    void OnOK() override {} // Enter never closes the dialog

    void LoadSubjects();
    void OnAddSubject();
    void OnDeleteSubject();
    void OnHelp();

    int GetRowCount() const { return m_nRowCount; }

protected:
    void OnGridBeginEdit(int row, int col) override;
    bool OnGridEndEdit(int row, int col) override;

private:
    // Column 2 is edited through a drop-down of the two score types.
    void MakeTypeComboCell(int row, int col);

    int m_nRowCount = 1;
    int m_nColCount = 3;
    std::vector<settings::RowKey> m_rowKeys; // grid row r holds subject m_rowKeys[r - 1]
    CTextCipher m_cipher;
};
