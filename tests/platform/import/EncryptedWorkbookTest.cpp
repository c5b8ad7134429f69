// Encrypted workbooks: books LibreOffice wrote under the default password (a protected structure)
// read cell by cell, a book under a password its user set is refused with a message that says how
// to go on, and damaged encrypted books are refused or read without reading past their bytes.

#include "platform/db/Connection.h"
#include "platform/import/Biff.h"
#include "platform/import/Source.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstring>

namespace {

namespace biff = importsrc::biff;

QString WorkbookFile(const QString& name) {
    return importtest::ImportFile(QStringLiteral("../workbooks/") + name);
}

biff::Book ReadFile(const QByteArray& bytes) {
    return biff::ReadWorkbookFile(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  static_cast<size_t>(bytes.size()));
}

// A cell as the expectation files write it: "s:TEXT", "n:NUMBER", "e:", or empty.
QString CellText(const biff::Book& book, const biff::Cell& cell) {
    switch (cell.kind) {
    case biff::Kind::Text:
        return QStringLiteral("s:") + QString::fromStdString(book.Text(cell));
    case biff::Kind::Error:
        return QStringLiteral("e:");
    default:
        return QStringLiteral("n:") + QString::number(cell.number, 'f', 1);
    }
}

// The sheets of a book as its expectation file writes them: "#sheet NAME ROWS", then the rows.
QStringList BookLines(const biff::Book& book) {
    QStringList lines;
    for (const biff::Sheet& sheet : book.sheets) {
        std::vector<QStringList> rows;
        for (const biff::Cell& cell : sheet.cells) {
            if (rows.size() <= cell.row)
                rows.resize(cell.row + 1u);
            QStringList& row = rows[cell.row];
            while (row.size() <= cell.column)
                row << QString();
            row[cell.column] = CellText(book, cell);
        }
        lines << QStringLiteral("#sheet %1 %2")
                     .arg(QString::fromStdString(sheet.name))
                     .arg(rows.empty() ? 0 : rows.size() - 1);
        for (const QStringList& row : rows)
            lines << row.join(u'\t');
    }
    return lines;
}

// The expectation file's lines, each row cut after its last cell.
QStringList ExpectedLines(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QStringList lines;
    for (QString line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        while (line.endsWith(u'\t'))
            line.chop(1);
        lines << line;
    }
    return lines;
}

// The message that loading the file's first table raises.
QString Refusal(const QString& path) {
    try {
        importsrc::SourceFile file(path);
        db::Connection target;
        target.OpenFile(QStringLiteral(":memory:"));
        file.Load(file.Tables().value(0), target);
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
        return e.Message();
    }
    ADD_FAILURE() << "loaded " << path.toStdString();
    return {};
}

TEST(EncryptedWorkbook, ABookUnderTheDefaultPasswordReadsCellByCell) {
    const QString path = WorkbookFile(QStringLiteral("libreoffice-book-structure-nopw.xls"));
    const QByteArray bytes = importtest::ReadBytes(path);
    ASSERT_FALSE(bytes.isEmpty());
    ASSERT_GE(bytes.indexOf(QByteArray("\x2F\x00\x36\x00", 4)), 0) << "the book holds no FILEPASS record";
    const biff::Book book = ReadFile(bytes);
    ASSERT_EQ(book.problem, biff::Problem::None) << book.detail;
    EXPECT_EQ(BookLines(book), ExpectedLines(path + QStringLiteral(".expect.tsv")));

    // The same through the reading child, as an import opens it.
    importsrc::SourceFile file(path);
    EXPECT_EQ(file.Tables(), QStringList{QStringLiteral("名单$")});
}

TEST(EncryptedWorkbook, ALongBookReadsAcrossBlocksAndStringContinuations) {
    // 3000 rows of distinct texts: the shared strings run over many CONTINUE records and the
    // cells over hundreds of the encryption's blocks.
    const QByteArray bytes =
        importtest::ReadBytes(WorkbookFile(QStringLiteral("libreoffice-book-structure-long.xls")));
    ASSERT_FALSE(bytes.isEmpty());
    const biff::Book book = ReadFile(bytes);
    ASSERT_EQ(book.problem, biff::Problem::None) << book.detail;
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].name, "成绩");
    QStringList expected{QStringLiteral("#sheet 成绩 3000"),
                         QStringLiteral("s:学号\ts:姓名\ts:分数\ts:备注")};
    for (int i = 1; i <= 3000; ++i) {
        QString line = QStringLiteral("s:S%1\ts:学生%2\tn:%3")
                           .arg(i, 5, 10, QLatin1Char('0'))
                           .arg(i)
                           .arg(i / 2.0, 0, 'f', 1);
        if (i % 3 == 0)
            line += QStringLiteral("\ts:缺考");
        expected << line;
    }
    EXPECT_EQ(BookLines(book), expected);
}

TEST(EncryptedWorkbook, ABookUnderAUsersPasswordIsRefusedSayingHowToGoOn) {
    const QString path = WorkbookFile(QStringLiteral("libreoffice-open-password.xls"));
    EXPECT_EQ(ReadFile(importtest::ReadBytes(path)).problem, biff::Problem::Password);
    EXPECT_TRUE(Refusal(path).contains(
        QStringLiteral("工作簿设有打开密码，请在电子表格程序中去掉密码另存后再导入。")));

    // A version of the encryption that is not decrypted here says so.
    QByteArray bytes =
        importtest::ReadBytes(WorkbookFile(QStringLiteral("libreoffice-book-structure-nopw.xls")));
    const qsizetype filePass = bytes.indexOf(QByteArray("\x2F\x00\x36\x00\x01\x00\x01\x00", 8));
    ASSERT_GT(filePass, 0);
    bytes[filePass + 6] = '\x05';
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.xls"));
    ASSERT_TRUE(importtest::WriteBytes(other, bytes));
    EXPECT_TRUE(Refusal(other).contains(QStringLiteral("工作簿的加密方式不受支持")));
}

// A workbook stream of a BOF and a FILEPASS record with `body`, and an end.
biff::Book ReadFilePass(const QByteArray& body) {
    QByteArray stream("\x09\x08\x10\x00\x00\x06\x05\x00", 8);
    stream += QByteArray(12, '\0');
    stream += QByteArray("\x2F\x00", 2) + char(body.size() & 0xFF) + char(body.size() >> 8) + body;
    stream += QByteArray("\x0A\x00\x00\x00", 4);
    return biff::ReadWorkbookStream(reinterpret_cast<const unsigned char*>(stream.constData()),
                                    static_cast<size_t>(stream.size()));
}

TEST(EncryptedWorkbook, OtherEncryptionsAreRefusedByWhatTheirVerifiersSay) {
    // RC4 and RC4 through CryptoAPI with a verifier the default password does not open.
    EXPECT_EQ(ReadFilePass(QByteArray("\x01\x00\x01\x00\x01\x00", 6) + QByteArray(48, 'x')).problem,
              biff::Problem::Password);
    QByteArray cryptoApi("\x01\x00\x04\x00\x02\x00", 6);
    cryptoApi += QByteArray("\x04\x00\x00\x00\x20\x00\x00\x00", 8);                  // flags, header size
    cryptoApi += QByteArray("\x04\x00\x00\x00\x00\x00\x00\x00\x01\x68\x00\x00", 12); // flags, extra, RC4
    cryptoApi += QByteArray("\x04\x80\x00\x00\x80\x00\x00\x00", 8);                  // SHA-1, 128 bits
    cryptoApi += QByteArray(12, '\0');                                               // provider, reserved
    cryptoApi += QByteArray("\x10\x00\x00\x00", 4) + QByteArray(32, 's') + QByteArray("\x14\x00\x00\x00", 4) +
                 QByteArray(20, 'h');
    EXPECT_EQ(ReadFilePass(cryptoApi).problem, biff::Problem::Password);
    // A CryptoAPI hash other than SHA-1 (here MD5): not decrypted.
    QByteArray md5 = cryptoApi;
    md5[6 + 8 + 12] = '\x03';
    EXPECT_EQ(ReadFilePass(md5).problem, biff::Problem::Encrypted);
    // XOR obfuscation under a user's password (its verifier is not the default password's).
    EXPECT_EQ(ReadFilePass(QByteArray("\x00\x00\x12\x34\x56\x78", 6)).problem, biff::Problem::Password);
    // A record cut short, at every length.
    for (int n = 0; n < 54; ++n) {
        const biff::Book book = ReadFilePass(QByteArray("\x01\x00\x01\x00\x01\x00", 6).left(n) +
                                             QByteArray(std::max(0, n - 6), 'x'));
        EXPECT_EQ(book.problem, biff::Problem::Damaged) << n;
    }
    for (int n = 6; n < cryptoApi.size(); ++n)
        EXPECT_NE(ReadFilePass(cryptoApi.left(n)).problem, biff::Problem::None) << n;
}

TEST(EncryptedWorkbook, DamagedEncryptedBytesAreReadWithinTheFile) {
    // Every byte of the workbook stream changed in turn (LibreOffice wrote its 6826 bytes in
    // consecutive sectors, from its first record on), and the stream cut short at many lengths:
    // each read ends, refused or not, without reading outside the bytes given (which the
    // sanitizers check) and without any cell read where the book holds none.
    const QByteArray bytes =
        importtest::ReadBytes(WorkbookFile(QStringLiteral("libreoffice-book-structure-nopw.xls")));
    const qsizetype start = bytes.indexOf(QByteArray("\x09\x08\x10\x00\x00\x06\x05\x00", 8));
    constexpr qsizetype kStream = 6826;
    ASSERT_GE(start, 0);
    ASSERT_LE(start + kStream, bytes.size());
    // A damaged salt or verifier no longer opens with the default password.
    const qsizetype filePass = bytes.indexOf(QByteArray("\x2F\x00\x36\x00", 4), start);
    ASSERT_GT(filePass, start);
    for (qsizetype at = start; at < start + kStream; ++at) {
        QByteArray damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        const biff::Book book = ReadFile(damaged);
        if (at >= filePass + 10 && at < filePass + 4 + 54)
            EXPECT_EQ(book.problem, biff::Problem::Password) << at;
        for (const biff::Sheet& sheet : book.sheets)
            for (const biff::Cell& cell : sheet.cells)
                ASSERT_TRUE(cell.row <= 40 && cell.column < 7) << at;
    }
    const QByteArray stream = bytes.mid(start, kStream);
    for (qsizetype n = 0; n < stream.size(); n += 7)
        EXPECT_NE(biff::ReadWorkbookStream(reinterpret_cast<const unsigned char*>(stream.constData()),
                                           static_cast<size_t>(n))
                      .problem,
                  biff::Problem::None)
            << n;
}

} // namespace
