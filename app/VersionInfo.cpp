#include "app/VersionInfo.h"

#include "platform/res/StringTable.h"

#include <QCoreApplication>
#include <QStringList>

QString GetFileVersionString() {
    const QString fallback = res::LoadString(59142);
    const QStringList parts = QCoreApplication::applicationVersion().split(u'.');
    if (parts.isEmpty() || parts.size() > 4)
        return fallback;
    int numbers[4] = {0, 0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint n = parts[i].toUInt(&ok);
        if (!ok || n > 0xFFFF) // each number is one 16-bit word of the file version
            return fallback;
        numbers[i] = static_cast<int>(n);
    }
    // The label is the first two characters of the fallback text ("版本").
    return fallback.left(2) +
           QString::asprintf(" %d.%d.%d.%d", numbers[0], numbers[1], numbers[2], numbers[3]);
}
