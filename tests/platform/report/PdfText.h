#pragma once
// The text of a PDF file through pdftotext (poppler-utils); tests skip when it is missing.

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
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

// The size of the first page in points (pdfinfo, also of poppler-utils); empty when unreadable.
inline QSizeF PdfPageSize(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished(30000);
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// The whitespace-separated words of a PDF's text, each with the number of times it occurs.
inline QMap<QString, int> PdfWords(const QString& path) {
    QMap<QString, int> words;
    for (const QString& w :
         PdfText(path).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        ++words[w];
    return words;
}

} // namespace testing_pdf
