#include "admin/ImportResult.h"

#include <algorithm>

namespace admin {

bool HasImportNotes(const roster::ImportCount& count) {
    return !count.notes.empty();
}

QString ImportReportText(const roster::ImportCount& count, int maxNotes) {
    QString text = roster::ImportResultText(count) + u'\n';
    if (count.notListed > 0)
        text += QString::asprintf("另有%1d条不在名单中，未导入。\n", count.notListed);
    if (count.padded > 0)
        text += QString::asprintf("其中%1d个数字学号补足了前导0。\n", count.padded);
    if (count.notes.empty())
        return text;
    text += QStringLiteral("\n行号\t学号\t姓名\t原因\n");
    const int total = static_cast<int>(count.notes.size());
    const int shown = maxNotes < 0 ? total : std::min(total, maxNotes);
    for (int i = 0; i < shown; ++i) {
        const roster::ImportRowNote& note = count.notes[i];
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(note.sourceRow)
                    .arg(note.studentId, note.name, note.reason);
    }
    if (shown < total)
        text += QString::asprintf("……另有%1d行未显示，保存到文件可看全部。\n", total - shown);
    return text;
}

} // namespace admin
