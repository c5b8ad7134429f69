#include "admin/ImportRoad.h"

#include "admin/TablePickDlg.h"
#include "data/DataFiles.h"
#include "platform/import/Reader.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/FileDialog.h"

namespace admin {
ImportRoadEnd RunImportRoad(QWidget* parent, int mode, CImportSource& source, CImportFieldMapDlg& map) {
    const QString path = ui::GetOpenFileName(parent, ImportFileFilter(), ImportFileTitle());
    if (path.isEmpty())
        return ImportRoadEnd::NoFile;
    source.Open(path);

    QString table;
    if (source.PicksTable()) {
        CTablePickDlg pick;
        for (const QString& name : source.Tables())
            pick.AddTable(name);
        if (pick.DoModal() != ui::IDOK) {
            source.Close();
            return ImportRoadEnd::TableCancelled;
        }
        table = pick.GetSelection();
    } else {
        table = source.FileTable();
    }
    source.SelectTable(table);

    QString refused;
    const std::optional<QStringList> offers = ImportOffers(source.Records(), mode, &refused);
    if (!offers) {
        // The column is named: the user can drop or convert it in the file.
        ui::MessageBox(parent,
                       QStringLiteral("数据导入时不支持该种数据类型！（字段“%1”既不是数字也不是文字）").arg(refused),
                       InfoCaption(), ui::MB_ICONERROR);
        source.Close();
        return ImportRoadEnd::Unsupported;
    }
    for (const QString& offer : *offers)
        map.JoinFieldNames(offer);
    map.SetImportMode(mode);
    if (map.DoModal() != ui::IDOK)
        return ImportRoadEnd::MapCancelled;
    source.IndexKeyColumns(mode, map.GetMappedTexts());
    return ImportRoadEnd::Mapped;
}

QString ImportNotDoneText(const db::DbError& error) {
    if (data::IsDiskFull(error))
        return QStringLiteral("磁盘已满，导入没有完成，数据库没有改变。");
    return QStringLiteral("导入没有完成，数据库没有改变。\n") + data::DatabaseFailureReason(error);
}

void ShowImportError(QWidget* parent, const db::DbError& error) {
    // A source is loaded into a temporary file before anything is written: a full disk stops it
    // there, in SQLite's words unless told here.
    const QString text = data::IsDiskFull(error) ? ImportNotDoneText(error)
                                                 : FormatText(QStringLiteral("错误信息:%s"), error.Message());
    ui::MessageBox(parent, text, res::LoadString(IDS_INFO_CAPTION), ui::MB_OK);
}

void ShowImportNotDone(QWidget* parent, const char* what, const db::DbError& error) {
    qCWarning(vlog::db) << what << "not done, rolled back:" << error.Message();
    ShowMessage(parent, ImportNotDoneText(error), ui::MB_ICONERROR);
}

QString ImportTooLargeText(const QString& path) {
    return QStringLiteral("文件太大，无法导入：") + importsrc::ShownPath(path);
}

void ShowImportTooLarge(QWidget* parent, const char* what, CImportSource& source) {
    const QString path = source.Path();
    source.Close();
    qCWarning(vlog::io) << what << "ran out of memory on" << path;
    ShowMessage(parent, ImportTooLargeText(path), ui::MB_ICONERROR);
}

} // namespace admin
