#pragma once
// The text of a PDF file through pdftotext (poppler-utils); tests skip when it is missing.

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace testing_pdf {

inline bool HavePdfToText() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// The text of page `page` (1-based), or of every page when 0; pages are separated by '\f'.
inline QString PdfText(const QString& path, int page = 0) {
    QStringList args{QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << path << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int PdfPageCount(const QString& path) {
    return PdfText(path).count(QChar('\f'));
}

} // namespace testing_pdf
