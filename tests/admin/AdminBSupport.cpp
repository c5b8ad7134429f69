#include "AdminBSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace adminb {

void AdminBTest::SetUp() {
    fixtures::SchoolOptions options;
    options.grades = 2;
    options.classesPerGrade = 3;
    options.minStudents = 6;
    options.maxStudents = 8;
    options.subjects = 4;
    options.examsPerGrade = 2;
    OpenSchool(options);
}

void AdminBTest::FailOn(const QString& event, const QString& table) {
    Db().Execute(
        QStringLiteral("CREATE TRIGGER fail_%1_%2 BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, 'refused'); END")
            .arg(event, table));
    refused = std::make_unique<ExpectWarning>(QStringLiteral("refused"));
}

std::string AdminBTest::TableDigests() {
    std::string digests;
    for (db::Recordset tables =
             Db().Execute(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
         !tables.IsEOF(); tables.MoveNext()) {
        const QString table = tables.Field(0).ToString();
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (db::Recordset rs =
                 Db().Execute(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
             !rs.IsEOF(); rs.MoveNext())
            for (int c = 0; c < rs.FieldCount(); ++c) {
                const db::Variant& v = rs.Field(c);
                hash.addData(QString::number(int(v.Type())).toUtf8());
                hash.addData(v.IsNull() ? QByteArray("\x1eNULL") : (u'\x1e' + v.ToString()).toUtf8());
            }
        digests += table.toStdString() + ' ' + hash.result().toHex().toStdString() + '\n';
    }
    return digests;
}

void AdminBTest::FillDiskAfter(int pages) {
    const long long now = Db().Execute(QStringLiteral("PRAGMA page_count")).Field(0).ToInt64();
    Db().Execute(QStringLiteral("PRAGMA max_page_count=%1").arg(now + pages));
}

void AdminBTest::FailWrites(WriteFailure failure, const QString& event, const QString& table) {
    if (failure == WriteFailure::ReadOnly) {
        Db().Execute(QStringLiteral("PRAGMA query_only=1"));
        refused = std::make_unique<ExpectWarning>(QStringLiteral("readonly database"));
        return;
    }
    Db().Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS test_filler (b BLOB)"));
    Db().Execute(QStringLiteral("CREATE TRIGGER fill_%1_%2 BEFORE %1 ON %2 BEGIN "
                                "INSERT INTO test_filler VALUES (zeroblob(200000)); END")
                     .arg(event, table));
    FillDiskAfter(2);
    refused = std::make_unique<ExpectWarning>(QStringLiteral("database or disk is full"));
}

void AdminBTest::EndWriteFailure() {
    Db().Execute(QStringLiteral("PRAGMA query_only=0"));
    Db().Execute(QStringLiteral("PRAGMA max_page_count=1073741823"));
    for (db::Recordset rs = Db().Execute(QStringLiteral(
             "SELECT name FROM sqlite_master WHERE type='trigger' AND name LIKE 'fill\\_%' ESCAPE '\\'"));
         !rs.IsEOF(); rs.MoveNext())
        Db().Execute(QStringLiteral("DROP TRIGGER \"%1\"").arg(rs.Field(0).ToString()));
    refused.reset();
}

QString AdminBTest::ReasonOf(WriteFailure failure) {
    return failure == WriteFailure::DiskFull ? QStringLiteral("磁盘空间已满。")
                                             : QStringLiteral("数据库文件是只读的。");
}

const fixtures::ExamInfo* AdminBTest::FirstSeniorExam() const {
    for (const fixtures::ExamInfo& e : school.exams)
        if (!e.grade.startsWith(u'1') && e.yjcd.isEmpty())
            return &e;
    return nullptr;
}

const fixtures::GradeInfo& AdminBTest::GradeOf(const fixtures::ExamInfo& exam) const {
    for (const fixtures::GradeInfo& g : school.grades)
        if (g.code == exam.grade)
            return g;
    throw std::logic_error("exam of no grade");
}

QString AdminBTest::EntryOf(const fixtures::ExamInfo& exam) const {
    return GradeOf(exam).name + u'|' + exam.name;
}

int AdminBTest::AddExam(const QString& grade, const QString& description, const QString& date) {
    Db().Execute(QStringLiteral("INSERT INTO tavrinKSLB (mydesc, grade, ksrq) VALUES (?, ?, ?)"),
                 Encode(description), grade, date);
    return static_cast<int>(Db().LastInsertId());
}

bool WriteWithPython(const QString& script, const QString& path) {
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(python,
                  {QStringLiteral("-W"), QStringLiteral("ignore"), QStringLiteral("-c"), script, path});
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    if (!ok)
        ADD_FAILURE() << "python3 could not write " << path.toStdString() << ": "
                      << process.readAll().toStdString();
    return ok;
}

bool Choose(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

void Type(QComboBox* combo, const QString& text) {
    QLineEdit* edit = combo->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

QStringList GridRow(CGridCtrl& grid, int row) {
    QStringList texts;
    for (int c = 0; c < grid.GetColumnCount(); ++c)
        texts << grid.GetItemText(row, c);
    return texts;
}

int FindRow(CGridCtrl& grid, int col, const QString& text) {
    for (int r = grid.GetFixedRowCount(); r < grid.GetRowCount(); ++r)
        if (grid.GetItemText(r, col) == text)
            return r;
    return -1;
}

bool EditCell(CGridCtrl& grid, int row, int col, const QString& text) {
    if (grid.IsCellFixed(row, col) || !grid.IsCellEditable(row, col))
        return false;
    if (grid.SendMessageToParent(row, col, GVN_BEGINLABELEDIT) < 0)
        return false;
    grid.OnEndEditCell(row, col, text);
    return true;
}

void TypeIntoCell(CGridCtrl& grid, int row, int col, const QString& text) {
    grid.window()->activateWindow();
    grid.setFocus();
    grid.SetFocusCell(row, col);
    QTest::keyClicks(&grid, text.left(1));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, &grid) << "no in-place editor opened";
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
}

void ClickCell(CGridCtrl& grid, int row, int col) {
    grid.SendMessageToParent(row, col, NM_CLICK);
}

} // namespace adminb
