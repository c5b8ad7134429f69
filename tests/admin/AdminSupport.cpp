#include "AdminSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>

namespace admintest {

void AdminTestBase::OpenSchool(const fixtures::SchoolOptions& options) {
    ASSERT_TRUE(dir.isValid());
    school = fixtures::MakeSchool(dir.filePath(QStringLiteral("veltora.mdb")), options);
    boxes = std::make_unique<ui::ScriptedMessageBoxes>();
    data::SetAppDirectory(dir.path() + u'/');
    auto connection = std::make_unique<db::Connection>();
    connection->OpenFile(school.path, fixtures::DatabasePassword());
    data::SetDatabase(std::move(connection));
}

void AdminTestBase::TearDown() {
    data::ResetAppContext();
    boxes.reset();
}

QString AdminTestBase::Scalar(const QString& sql, const std::vector<db::Variant>& params) {
    db::Recordset rs = Db().Execute(sql, params);
    return rs.IsEOF() ? QString() : rs.Field(0).ToString();
}

void Open(ui::Dialog& dialog) {
    dialog.OnInitDialog();
    dialog.show();
    QCoreApplication::processEvents();
}

void Click(ui::Dialog& dialog, int id) {
    auto* button = dialog.GetDlgItem<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList GridColumn(CGridCtrl& grid, int col) {
    QStringList texts;
    for (int r = grid.GetFixedRowCount(); r < grid.GetRowCount(); ++r)
        texts << grid.GetItemText(r, col);
    return texts;
}

} // namespace admintest
