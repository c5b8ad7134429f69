#pragma once

#include "platform/ui/Dialog.h"

#include <QListWidget>
#include <QStringList>

// The list box of the table-pick dialog.
class CTableListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
};

// The import road's choice of one table of an Access database or one sheet of a workbook. The
// names are shown in the order in which they were added.
class CTablePickDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 133 };
    static constexpr int IDC_TABLE_LIST = 1016;

    explicit CTablePickDlg(QWidget* parent = nullptr);

    void AddTable(const QString& name);
    // Sets the chosen table without showing the dialog.
    void SetSelection(const QString& name) { m_strTable = name; }
    // After IDOK: the selected name, empty when none was selected.
    const QString& GetSelection() const { return m_strTable; }
    int GetTableCount() const { return m_nTableCount; }

    void OnShowWindow();
    void OnOK() override;

    CTableListBox& TableList() { return *m_TableList; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The names as a list: a name may hold any character, so none serves to join them.
    QStringList m_strTableNames;
    CTableListBox* m_TableList = nullptr;
    QString m_strTable;
    int m_nTableCount = 0;
};
