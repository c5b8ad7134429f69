#include "AdminASupport.h"

#include "data/Schema.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

namespace admina {

void AdminATest::SetUp() {
    fixtures::SchoolOptions options;
    options.grades = 2;
    options.classesPerGrade = 1;
    options.minStudents = 3;
    options.maxStudents = 5;
    options.subjects = 6;
    options.examsPerGrade = 1;
    OpenSchool(options);
}

void AdminATest::UseEmptyDatabase() {
    const QString path = dir.filePath(QStringLiteral("empty.mdb"));
    auto connection = std::make_unique<db::Connection>();
    connection->OpenFile(path, QString(), true);
    data::CreateSchema(*connection);
    data::SetDatabase(std::move(connection));
}

QStringList AdminATest::Column(const QString& sql, const std::vector<db::Variant>& params) {
    QStringList out;
    for (db::Recordset rs = Db().Execute(sql, params); !rs.IsEOF(); rs.MoveNext())
        out << rs.Field(0).ToString();
    return out;
}

void AdminATest::CountUpdates(const QString& table) {
    Db().Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS test_updates (n INTEGER)"));
    Db().Execute(QStringLiteral("CREATE TRIGGER IF NOT EXISTS test_count_%1 AFTER UPDATE ON %1 "
                                "BEGIN INSERT INTO test_updates VALUES (1); END")
                     .arg(table));
}

bool EditCell(CGridCtrl& grid, int row, int col, const QString& text) {
    if (grid.SendMessageToParent(row, col, GVN_BEGINLABELEDIT) < 0)
        return false;
    grid.OnEndEditCell(row, col, text);
    return true;
}

bool TypeIntoCell(CGridCtrl& grid, int row, int col, const QString& text) {
    QWidget* window = grid.window();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    grid.setFocus();
    grid.SetFocusCell(row, col);
    QTest::keyClick(&grid, Qt::Key_F2);
    CGridCellBase* cell = grid.GetCell(row, col);
    QWidget* editor = cell && cell->IsEditing() ? cell->GetEditWnd() : nullptr;
    if (!editor)
        return false;
    // F2 leaves the caret at the end; the user selects the old text to type over it.
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->selectAll();
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClicks(editor, QString(ch));
        } else {
            // Chinese arrives from the input method, not as key presses.
            QInputMethodEvent commit;
            commit.setCommitString(QString(ch));
            QCoreApplication::sendEvent(editor, &commit);
        }
    }
    QTest::keyClick(editor, Qt::Key_Return);
    // Closed editors delete themselves later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

} // namespace admina
