#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

namespace importtest {

QString AccessFile(const QString& name) {
    return QStringLiteral(VELTORA_TEST_DATA "/access/") + name;
}

QString ImportFile(const QString& name) {
    return QStringLiteral(VELTORA_TEST_DATA "/import/") + name;
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool MakeSources(const QString& dir, const QStringList& names) {
    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(QStringLiteral(VELTORA_PYTHON3),
                 QStringList{QStringLiteral("-W"), QStringLiteral("ignore"),
                             QStringLiteral(VELTORA_TEST_DATA "/import/make_sources.py"), dir} +
                     names);
    const bool ok = python.waitForFinished(120000) && python.exitStatus() == QProcess::NormalExit &&
                    python.exitCode() == 0;
    if (!ok)
        ADD_FAILURE() << "make_sources.py failed (python3-xlwt and python3-dbf installed?): "
                      << python.readAll().toStdString();
    return ok;
}

bool CopyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner |
                                                                  QFile::ReadGroup | QFile::ReadOther);
}

} // namespace importtest
