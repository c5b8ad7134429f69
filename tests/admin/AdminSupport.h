#pragma once
// What every administration-dialog test shares: a small sample school in a temporary folder, the
// shared home holding a connection to it, message boxes answering from a script, and the ways a
// user reaches a dialog's buttons and grid.

#include "controls/grid/GridCtrl.h"
#include "data/AppContext.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace admintest {

class AdminTestBase : public ::testing::Test {
protected:
    // Makes the school of `options` and opens it as the program's connection.
    void OpenSchool(const fixtures::SchoolOptions& options);
    void TearDown() override;

    db::Connection& Db() { return data::Database(); }
    // The first column of the first row as text; "" when there is no row.
    QString Scalar(const QString& sql, const std::vector<db::Variant>& params = {});
    QStringList BoxTexts() const { return boxes->Texts(); }

    QTemporaryDir dir;
    fixtures::SchoolInfo school;
    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
};

// What DoModal does before the dialog's loop: the initialisation, then the window shown.
void Open(ui::Dialog& dialog);
// A mouse click on the dialog's button `id`.
void Click(ui::Dialog& dialog, int id);
// The texts of column `col` in the rows below the fixed ones.
QStringList GridColumn(CGridCtrl& grid, int col);

} // namespace admintest
