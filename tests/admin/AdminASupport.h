#pragma once
// Settings dialogs on a small sample school: the application object holds a connection to a
// fixture database in a temporary folder, message boxes answer from a script, and cells are
// edited through the grid's own notification path.

#include "AdminSupport.h"

namespace admina {

using admintest::Click;
using admintest::GridColumn;
using admintest::Open;

class AdminATest : public admintest::AdminTestBase {
protected:
    void SetUp() override;

    // An empty database with the program's tables instead of the sample school.
    void UseEmptyDatabase();

    // The first column of every row, as text.
    QStringList Column(const QString& sql, const std::vector<db::Variant>& params = {});
    // Counts the UPDATE statements on `table` from here on (read with Updates()).
    void CountUpdates(const QString& table);
    int Updates() { return Scalar(QStringLiteral("SELECT count(*) FROM test_updates")).toInt(); }
};

// An in-place edit as the grid makes it: the begin-edit notification to the owner, then the
// grid's end-of-edit path with the typed text (it stores the text, notifies the owner and puts
// the old text back when the owner refuses). False when the owner vetoed the edit.
bool EditCell(CGridCtrl& grid, int row, int col, const QString& text);

// The same edit typed by the user: the dialog made active, F2 on the cell opens its in-place
// editor, the old text is selected and typed over, and Enter ends the edit. False when no editor
// opened.
bool TypeIntoCell(CGridCtrl& grid, int row, int col, const QString& text);

} // namespace admina
