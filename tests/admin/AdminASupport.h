#pragma once
// Settings dialogs on a small sample school: the application object holds a connection to a
// fixture database in a temporary folder, message boxes answer from a script, and cells are
// edited through the grid's own notification path.

#include "app/VeltoraApp.h"
#include "controls/grid/GridCtrl.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "tests/fixtures/SchoolFixture.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace admina {

class AdminATest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An empty database with the program's tables instead of the sample school.
    void UseEmptyDatabase();

    db::Connection& Db() { return *app->m_pConnection; }
    // The first column of the first row as text; "" when there is no row.
    QString Scalar(const QString& sql, const std::vector<db::Variant>& params = {});
    // The first column of every row, as text.
    QStringList Column(const QString& sql, const std::vector<db::Variant>& params = {});
    // Counts the UPDATE statements on `table` from here on (read with Updates()).
    void CountUpdates(const QString& table);
    int Updates() { return Scalar(QStringLiteral("SELECT count(*) FROM test_updates")).toInt(); }
    QStringList BoxTexts() const { return boxes->Texts(); }

    QTemporaryDir dir;
    fixtures::SchoolInfo school;
    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
    std::unique_ptr<CVeltoraApp> app;
};

// What DoModal does before the dialog's loop: the initialisation, then the window shown.
void Open(ui::Dialog& dialog);
// A mouse click on the dialog's push button `id`.
void Click(ui::Dialog& dialog, int id);
// The texts of column `col` in the rows below the header.
QStringList GridColumn(CGridCtrl& grid, int col);

// An in-place edit as the grid makes it: the begin-edit notification to the owner, then the
// grid's end-of-edit path with the typed text (it stores the text, notifies the owner and puts
// the old text back when the owner refuses). False when the owner vetoed the edit.
bool EditCell(CGridCtrl& grid, int row, int col, const QString& text);

// The same edit typed by the user: the dialog made active, F2 on the cell opens its in-place
// editor, the old text is selected and typed over, and Enter ends the edit. False when no editor
// opened.
bool TypeIntoCell(CGridCtrl& grid, int row, int col, const QString& text);

} // namespace admina
