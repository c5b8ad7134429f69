#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

namespace importtest {

QString AccessFile(const QString& name) {
    return QStringLiteral(VELTORA_TEST_DATA "/access/") + name;
}

QString ImportFile(const QString& name) {
    return QStringLiteral(VELTORA_TEST_DATA "/import/") + name;
}

QStringList WrittenWorkbooks() {
    // The books whose cells are listed beside them; the encryption tests read the others.
    QStringList books;
    const QDir dir(QStringLiteral(VELTORA_TEST_DATA "/workbooks"));
    for (const QString& book : dir.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name))
        if (dir.exists(book + QStringLiteral(".expect.tsv")))
            books << book;
    return books;
}

QString WrittenWorkbook(const QString& name) {
    return QStringLiteral(VELTORA_TEST_DATA "/workbooks/") + name;
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

QByteArray FoxProTable(const QStringList& fields, const std::vector<QStringList>& records, int count) {
    struct Field {
        QByteArray name;
        char type;
        int width, decimals;
    };
    std::vector<Field> parsed;
    for (const QString& f : fields) {
        // "P1 N(5,1)": the name, the type letter, the width and the decimals.
        const QString spec = f.section(u' ', 1);
        const QStringList size = spec.mid(2).chopped(1).split(u',');
        parsed.push_back({f.section(u' ', 0, 0).toLatin1(), spec.at(0).toLatin1(), size.value(0).toInt(),
                          size.value(1).toInt()});
    }
    const auto word = [](QByteArray& b, int v) {
        b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF));
    };
    int recordLength = 1; // the deletion mark
    for (const Field& f : parsed)
        recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(parsed.size()) + 1;
    const int counted = count < 0 ? static_cast<int>(records.size()) : count;
    QByteArray out;
    out.append('\x03').append(static_cast<char>(124)).append('\x05').append('\x06'); // 2024-05-06
    word(out, counted & 0xFFFF);
    word(out, counted >> 16 & 0xFFFF);
    word(out, headerLength);
    word(out, recordLength);
    out.append(17, '\0');
    out.append('\x7A'); // code page 936
    out.append(2, '\0');
    int offset = 1;
    for (const Field& f : parsed) {
        QByteArray descriptor = f.name.left(10);
        descriptor.append(11 - descriptor.size(), '\0');
        descriptor.append(f.type);
        descriptor.append(static_cast<char>(offset & 0xFF)).append(static_cast<char>(offset >> 8 & 0xFF));
        descriptor.append(2, '\0');
        descriptor.append(static_cast<char>(f.width)).append(static_cast<char>(f.decimals));
        descriptor.append(14, '\0');
        out.append(descriptor);
        offset += f.width;
    }
    out.append('\x0D');
    for (const QStringList& record : records) {
        out.append(' ');
        for (size_t i = 0; i < parsed.size(); ++i) {
            const QByteArray text = record.value(static_cast<qsizetype>(i)).toLatin1().left(parsed[i].width);
            const QByteArray pad(parsed[i].width - text.size(), ' ');
            out.append(parsed[i].type == 'N' || parsed[i].type == 'F' ? pad + text : text + pad);
        }
    }
    out.append('\x1A');
    return out;
}

} // namespace importtest
