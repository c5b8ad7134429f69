#include "platform/res/Accelerators.h"

#include <QFile>
#include <QKeySequence>

namespace res {

std::optional<AcceleratorTable> ParseAccelerators(const QString& text) {
    AcceleratorTable table;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            return std::nullopt;
        const QKeySequence keys =
            QKeySequence::fromString(line.left(tab).trimmed(), QKeySequence::PortableText);
        bool ok = false;
        const int command = line.mid(tab + 1).trimmed().toInt(&ok);
        if (keys.count() != 1 || !ok)
            return std::nullopt;
        table.push_back({keys[0], command});
    }
    return table;
}

std::optional<AcceleratorTable> LoadAccelerators(int id) {
    QFile f(QStringLiteral(":/veltora/menus/%1.acc").arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseAccelerators(QString::fromUtf8(f.readAll()));
}

int FindAccelerator(const AcceleratorTable& table, QKeyCombination key) {
    for (const Accelerator& a : table)
        if (a.key == key)
            return a.command;
    return 0;
}

} // namespace res
