#pragma once
// The tracking school behind the dialogs: the shared home's connection on its file, the program
// folder, message boxes that record their texts and a desktop that records what it is handed.

#include "TrackSchool.h"

#include "controls/grid/GridCtrl.h"
#include "data/AppContext.h"
#include "platform/drensil/Drensil.h"
#include "platform/profile/Profile.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"
#include "report/ExportToXls.h"

#include <QFile>
#include <QTest>

#include <memory>

class TrackDialogSchool : public TrackSchool {
protected:
    void SetUp() override {
        TrackSchool::SetUp();
        profile::UseMemoryStore();
        boxes = std::make_unique<ui::ScriptedMessageBoxes>();
        data::SetAppDirectory(m_dir.path() + u'/');
        auto connection = std::make_unique<db::Connection>();
        connection->OpenFile(m_dir.filePath(QStringLiteral("track.mdb")));
        data::SetDatabase(std::move(connection));
        drensil::SetFileOpener([this](const QString& path) {
            handedOn << path;
            return true;
        });
        SetExportClock([] { return std::time_t(1136073600); });
    }
    void TearDown() override {
        SetExportClock({});
        drensil::SetFileOpener({});
        data::ResetAppContext();
        boxes.reset();
    }

    static QStringList GridRow(CGridCtrl& grid, int row) {
        QStringList texts;
        for (int c = 0; c < grid.GetColumnCount(); ++c)
            texts << grid.GetItemText(row, c);
        return texts;
    }
    static QStringList GridColumn(CGridCtrl& grid, int col) {
        QStringList texts;
        for (int r = 1; r < grid.GetRowCount(); ++r)
            texts << grid.GetItemText(r, col);
        return texts;
    }
    // A click on a title cell, as the mouse makes it.
    static void ClickHeader(CGridCtrl& grid, int col) {
        gdi::Rect rect;
        grid.GetCellRect(0, col, &rect);
        const QPoint at =
            grid.ClientToWidget(gdi::Point((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
        QTest::mouseClick(&grid, Qt::LeftButton, {}, at);
    }
    // The lines of the exported file, each split at its tabs.
    QList<QStringList> Exported() const {
        QList<QStringList> lines;
        if (handedOn.isEmpty())
            return lines;
        QFile f(handedOn.last());
        if (!f.open(QIODevice::ReadOnly))
            return lines;
        const QString text = text::FromGbk(f.readAll());
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
            lines << line.split(u'\t');
        return lines;
    }

    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
    QStringList handedOn;
};
