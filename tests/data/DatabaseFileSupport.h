#pragma once
// Database files for the tests of the program's care for them: a school file made and closed as
// the program leaves it, rows added to it, and its bytes read and written.

#include "data/DataFiles.h"
#include "data/Schema.h"
#include "platform/db/Connection.h"
#include "platform/db/Transaction.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

namespace datafiles_test {

inline void WriteFile(const QString& path, const QByteArray& content, const QDateTime& modified = {}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.flush();
    if (modified.isValid()) {
        ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
    }
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The start-up reconciliation of the program's folder, its session lock let go at once (no
// connection of the test has the file open meanwhile).
inline data::DataFilesReport Reconcile(const QString& appDir) {
    data::SessionLock lock;
    return data::EnsureDataFiles(appDir, lock);
}

// A school file in the program's folder, made and closed as the program leaves it.
inline QString MakeFile(const QTemporaryDir& dir) {
    const QString path = data::DatabasePath(dir.path());
    db::Connection c;
    c.OpenFile(path, {}, true);
    data::CreateSchema(c);
    return path;
}

// Grades with long names (300 characters), so that a few hundred rows fill many pages.
inline void AddGrades(db::Connection& c, int from, int count) {
    db::Transaction t(c);
    for (int id = from; id < from + count; ++id)
        c.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (?, ?, ?)", id,
                  QString(300, QChar(u'年')) + QString::number(id), QString::number(id));
    t.Commit();
}

} // namespace datafiles_test
