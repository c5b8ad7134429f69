// A user may pick any file in a file dialog, the program's own database among them: picked under
// any of its names, or its journal's, it is refused, and the session goes on holding its locks.

#include "ShellSupport.h"

#include "admin/ImportResultDlg.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "data/Schema.h"
#include "platform/db/FileGuard.h"
#include "platform/db/Transaction.h"
#include "platform/import/Source.h"
#include "platform/profile/Profile.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/ModalRunner.h"
#include "report/ExportToXls.h"
#include "tests/common/OtherProcess.h"
#include "tests/report/TableSource.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTest>

#include <unistd.h>

#include <string>
#include <vector>

namespace {

class DatabaseFileChoice : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(QDir(home.path()).mkdir("elsewhere"));
        dbPath = data::DatabasePath(home.path());
        {
            db::Connection made;
            made.OpenFile(dbPath, {}, true);
            data::CreateSchema(made);
        }
        auto connection = std::make_unique<db::Connection>();
        connection->OpenFile(dbPath);
        data::SetDatabase(std::move(connection));
        ASSERT_TRUE(QFile::link(dbPath, home.filePath("elsewhere/picture.jpg")));
        ASSERT_EQ(::link(QFile::encodeName(dbPath).constData(),
                         QFile::encodeName(home.filePath("elsewhere/hard.bmp")).constData()),
                  0);
        names = {dbPath, home.filePath("elsewhere/picture.jpg"), home.filePath("elsewhere/hard.bmp"),
                 dbPath + "-wal", dbPath + "-shm"};
        // A write transaction stays open while the user picks files.
        transaction = std::make_unique<db::Transaction>(data::Database());
        data::Database().Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, '高一', '1')");
        before = Files();
        ASSERT_TRUE(other_process::SessionReadLockHeld(dbPath));
        ASSERT_TRUE(other_process::WriteTransactionLockHeld(dbPath));
    }
    void TearDown() override {
        transaction.reset();
        data::SetDatabase(nullptr);
        ShellTest::TearDown();
    }

    // The database's and its journals' bytes as another process reads them, by their digests.
    std::vector<std::string> Files() const {
        std::vector<std::string> digests;
        for (const char* suffix : {"", "-wal", "-journal"})
            digests.push_back(
                QCryptographicHash::hash(other_process::Bytes(dbPath + suffix), QCryptographicHash::Sha256)
                    .toHex()
                    .toStdString());
        return digests;
    }
    // Each refusal told once, the files as they were, the locks held, and the transaction's
    // row kept by its commit.
    void ExpectRefusedAndUntouched(std::size_t refusals) {
        EXPECT_EQ(boxes->Texts().join(u'|').toStdString(),
                  QStringList(int(refusals), db::DatabaseFileRefusal()).join(u'|').toStdString());
        EXPECT_EQ(Files(), before);
        EXPECT_TRUE(other_process::SessionReadLockHeld(dbPath));
        EXPECT_TRUE(other_process::WriteTransactionLockHeld(dbPath));
        transaction->Commit();
        EXPECT_EQ(data::Database().Execute("SELECT count(*) FROM tavrinGrade").Field(0).ToInt(), 1);
    }

    QString dbPath;
    QStringList names;
    std::unique_ptr<db::Transaction> transaction;
    std::vector<std::string> before;
};

TEST_F(DatabaseFileChoice, TheBackgroundPictureIsNeverReadFromTheDatabase) {
    ui::ScriptedFileDialogs files;
    for (const QString& name : names)
        files.SetNextAnswer(name);
    for (int i = 0; i < names.size(); ++i)
        view->OnCmdMsg(32798);
    EXPECT_EQ(view->GetBackground(), 0);
    EXPECT_FALSE(QFile::exists(CVeltoraView::CustomBackgroundPath()));
    // Named as the custom background of later runs, it is not read either.
    ASSERT_TRUE(QFile::link(dbPath, CVeltoraView::CustomBackgroundPath()));
    CVeltoraView next;
    EXPECT_EQ(next.GetBackground(), 0);
    ExpectRefusedAndUntouched(names.size());
}

TEST_F(DatabaseFileChoice, NoSaveWritesOverTheDatabaseItsJournalsOrItsTwin) {
    ui::ScriptedFileDialogs files;
    // The twin by its name, also before there is one, and the journal that is not there now.
    const QStringList saved = names + QStringList{data::TwinPath(dbPath), dbPath + "-journal"};
    for (const QString& name : saved)
        files.SetNextSaveAnswer(name);
    // The import result's save, then the save dialog every other save asks (the charts' pictures).
    roster::ImportCount count;
    count.failed = 1;
    count.notes.push_back({2, "0001", "陈华", roster::kReasonTaken});
    CImportResultDlg dlg(count);
    dlg.OnSave();
    for (int i = 1; i < saved.size(); ++i)
        EXPECT_TRUE(ui::GetSaveFileName(nullptr, "位图文件 (*.bmp)|*.bmp||", "x.bmp").isEmpty());
    EXPECT_FALSE(QFile::exists(data::TwinPath(dbPath)));
    // A picked file to read is refused the same way.
    files.SetNextAnswer(home.filePath("elsewhere/hard.bmp"));
    EXPECT_TRUE(ui::GetOpenFileName(nullptr, "*.*").isEmpty());
    ExpectRefusedAndUntouched(saved.size() + 1);
}

TEST_F(DatabaseFileChoice, AnExportOrAnImportSourceIsNeverTheDatabase) {
    // An export name that a link leads to the journal the next start would read.
    SetExportClock([] { return std::time_t(1000); });
    ASSERT_TRUE(QFile::link(dbPath + "-journal", home.filePath("elsewhere/1000.xls")));
    const TableSource rows(std::vector<QStringList>{{"学号", "姓名"}, {"0001", "陈华"}});
    EXPECT_TRUE(ExportToXls(nullptr, rows, "x", home.filePath("elsewhere")).isEmpty());
    SetExportClock({});
    EXPECT_FALSE(QFile::exists(dbPath + "-journal"));
    // The import sources: refused before any reader (a child process for workbooks and Access
    // files) opens them.
    ASSERT_TRUE(QFile::link(dbPath, home.filePath("elsewhere/scores.xls")));
    for (const QString& name : names + QStringList{home.filePath("elsewhere/scores.xls")}) {
        try {
            importsrc::SourceFile source(name);
            ADD_FAILURE() << name.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Message(), db::DatabaseFileRefusal());
        }
    }
    ExpectRefusedAndUntouched(1);
}

TEST_F(DatabaseFileChoice, TheOnScreenDialogListsTheDatabasesFolderWithoutOpeningItsFiles) {
    ui::SetFileDialogService(nullptr);
    profile::WriteProfileString("Settings", "LastFolder", home.path());
    bool listed = false;
    ui::SetQtDialogRunner([&](QDialog& shown) {
        auto& dialog = dynamic_cast<QFileDialog&>(shown);
        auto* model = dialog.findChild<QFileSystemModel*>();
        if (!model)
            return int(QDialog::Rejected);
        dialog.show();
        // Every file of the folder listed with its type and icon, as the view shows them.
        listed = QTest::qWaitFor([&] {
            const QModelIndex shm = model->index(dbPath + "-shm");
            return shm.isValid() && !model->type(shm).isEmpty();
        });
        const QModelIndex folder = model->index(home.path());
        for (int row = 0; row < model->rowCount(folder); ++row)
            model->data(model->index(row, 0, folder), Qt::DecorationRole);
        QTest::qWait(200);
        EXPECT_TRUE(other_process::SessionReadLockHeld(dbPath));
        EXPECT_TRUE(other_process::WriteTransactionLockHeld(dbPath));
        // The user types the journal's name.
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        if (!name)
            return int(QDialog::Rejected);
        name->setText(dbPath + "-wal");
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(ui::GetOpenFileName(nullptr, "所有文件 (*)|*||").isEmpty());
    EXPECT_TRUE(listed);
    ExpectRefusedAndUntouched(1);
}

} // namespace
