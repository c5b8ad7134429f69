#include "platform/res/IdTexts.h"

#include <QDir>
#include <QFile>

namespace res {
namespace {

QString Unescape(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'\\' && i + 1 < s.size()) {
            const QChar n = s.at(++i);
            out += n == u't' ? QChar(u'\t') : n == u'n' ? QChar(u'\n') : n;
        } else {
            out += c;
        }
    }
    return out;
}

QHash<int, QString> ReadIdTexts(const QString& folder) {
    QHash<int, QString> t;
    QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString all = QString::fromUtf8(f.readAll());
        for (const QString& line : all.split(u'\n')) {
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const qsizetype tab = line.indexOf(u'\t');
            if (tab <= 0)
                continue;
            bool ok = false;
            const int id = line.left(tab).trimmed().toInt(&ok);
            if (ok && !t.contains(id))
                t.insert(id, Unescape(line.mid(tab + 1).remove(u'\r')));
        }
    }
    return t;
}

} // namespace

const QHash<int, QString>& IdTexts(IdTable table) {
    if (table == IdTable::Prompts) {
        static const QHash<int, QString> prompts = ReadIdTexts(QStringLiteral(":/veltora/prompts"));
        return prompts;
    }
    static const QHash<int, QString> strings = ReadIdTexts(QStringLiteral(":/veltora/strings"));
    return strings;
}

} // namespace res
