#pragma once
// The pattern the small lookup tables share (grades, common exam names, grade values): the whole
// table in the grid, each edited cell written back at once, "增加" appends a row with a
// placeholder, "删除" removes the last row after a question. Each grid row keeps the key of its
// table row from the load on, and is written and deleted by it; a refused edit shows the old
// text again, so the grid always shows what is stored.
//
// Where the placeholder stands in a grade code, the new row is stored only once its code is valid
// (with the name typed so far): a grade without a code is no grade, and a stored one would stand
// in every grade list. Until then it is the grid's alone, and closing the dialog forgets it.

#include "admin/AdminCommon.h"
#include "admin/SettingsTables.h"

#include <QString>
#include <QStringList>

#include <vector>

class CLookupTableDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    static constexpr int IDC_DELETE = 1021;

    struct Column {
        QString header;
        QString field;          // the table's column; empty for column 0, the id
        int maxBytes = 0;       // longest accepted text in code page 936
        bool gradeCode = false; // five digits that no other grade has
    };

    struct Table {
        QString caption;
        QString table;
        std::vector<Column> columns;
        bool listMode = false;
        bool singleColSelection = false;
        bool autoSizeAfterUpdate = true;
        int addId = 0;
        int helpId = 0;
        int placeholderColumn = 1; // where a new row shows "*****"
        int questionColumn = 1;    // the text the delete question names
        QString deleteQuestion;    // "%s" takes that text
        QString help;
        QString note; // a static note below the grid, if any
    };

    CLookupTableDlg(int templateId, Table table, QWidget* parent);
    ~CLookupTableDlg() override;

    bool OnInitDialog() override;
    void OnOK() override {} // Enter never closes the dialog

    void LoadTable();
    void OnAdd();
    void OnDelete();
    void OnHelp();

    int GetRowCount() const { return m_nRowCount; }

protected:
    bool OnGridEndEdit(int row, int col) override;
    // A line shown under the delete question of grid row `row`; none when empty.
    virtual QString DeleteDetail(int /*row*/) { return {}; }

private:
    QStringList Fields() const;
    // Whether grid row `row` is the new row that waits for its code.
    bool IsUnstored(int row) const { return m_bNewRowUnstored && row == m_nRowCount - 1; }
    // The table row of grid row `row` (a stored one).
    settings::RowKey KeyOf(int row) const { return m_rowKeys[static_cast<std::size_t>(row - 1)]; }
    // The row of a code placeholder: in the grid only.
    void AddUnstoredRow();
    // A new last grid row showing `id` and the placeholder.
    void AppendPlaceholderRow(int id);
    // Stores the unstored row with `code` in column `col` and the texts of its other columns; throws
    // db::DbError.
    void StoreNewRow(int row, int col, const QString& code);

    Table m_table;
    int m_nRowCount = 1;
    int m_nColCount = 0;
    std::vector<settings::RowKey> m_rowKeys; // grid row r holds table row m_rowKeys[r - 1]
    bool m_bNewRowUnstored = false;          // the last grid row waits for its code
};
