#include "admin/ImportResult.h"

#include "platform/text/Gbk.h"

#include <algorithm>

namespace admin {
namespace {

// A cell of a note's line: a control character the file's text holds (a NUL, a tab, a line
// break: the reason its row failed) shows as "?", so that each note stays one line of four cells.
QString NoteCell(QString text) {
    for (QChar& c : text)
        if (text::IsControlCharacter(c))
            c = u'?';
    return text;
}

} // namespace

bool HasImportNotes(const roster::ImportCount& count) {
    return !count.notes.empty();
}

QString ImportSummaryText(const roster::ImportCount& count) {
    QString text;
    if (count.written == 0 && count.failed == 0 && count.notListed > 0) {
        // Not one row named a student of the list: the fields chosen for the key are the likely
        // cause, not the rows themselves.
        text = QStringLiteral("没有一名学生与名单匹配：请检查学号或姓名、班级字段的选择。");
        text += QString::asprintf("\n%1d条都不在名单中，未导入。", count.notListed);
    } else {
        text = roster::ImportResultText(count);
        if (count.notListed > 0)
            text += QString::asprintf("\n另有%1d条不在名单中，未导入。", count.notListed);
    }
    if (count.padded > 0)
        text += QString::asprintf("\n其中%1d个数字学号补足了前导0。", count.padded);
    if (count.cleared > 0)
        text += QString::asprintf("\n其中%1d个原有成绩因单元格为空被清除。", count.cleared);
    if (count.blank > 0)
        text += QString::asprintf("\n另有%1d行是空行，已跳过。", count.blank);
    return text;
}

QString ImportReportText(const roster::ImportCount& count, int maxNotes) {
    QString text = ImportSummaryText(count) + u'\n';
    if (count.notes.empty())
        return text;
    text += QStringLiteral("\n行号\t学号\t姓名\t原因\n");
    const int total = static_cast<int>(count.notes.size());
    const int shown = maxNotes < 0 ? total : std::min(total, maxNotes);
    for (int i = 0; i < shown; ++i) {
        const roster::ImportRowNote& note = count.notes[i];
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(note.sourceRow)
                    .arg(NoteCell(note.studentId), NoteCell(note.name), note.reason);
    }
    if (shown < total)
        text += QString::asprintf("……另有%1d行未显示，保存到文件可看全部。\n", total - shown);
    return text;
}

} // namespace admin
