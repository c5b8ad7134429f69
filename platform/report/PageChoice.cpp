#include "platform/report/PageChoice.h"

#include "platform/profile/Profile.h"
#include "platform/ui/ModalRunner.h"

#include <QPageSetupDialog>
#include <QPrinter>

#include <optional>

namespace report {

namespace {

const QString kSection = QStringLiteral("PageSetup");

// The session's choice; it stands even when the profile cannot be written.
std::optional<QPageLayout>& SessionChoice() {
    static std::optional<QPageLayout> choice;
    return choice;
}

QPageLayout DefaultLayout() {
    const PageSetup page;
    return QPageLayout(
        QPageSize(QSizeF(page.paperWidth * 10, page.paperHeight * 10), QPageSize::Millimeter, QString(),
                  QPageSize::FuzzyMatch),
        page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(page.leftMargin * 10, page.topMargin * 10, page.rightMargin * 10, page.bottomMargin * 10),
        QPageLayout::Millimeter);
}

double ReadMm(const QString& entry, bool* ok) {
    bool read = false;
    const double v = profile::GetProfileString(kSection, entry).toDouble(&read);
    if (!read || v < 0)
        *ok = false;
    return v;
}

void WriteMm(const QString& entry, double mm) {
    profile::WriteProfileString(kSection, entry, QString::number(mm, 'f', 2));
}

// The profile's choice; nothing when there is none or it is unreadable.
std::optional<QPageLayout> StoredLayout() {
    const int orientation = profile::GetProfileInt(kSection, QStringLiteral("Orientation"), -1);
    if (orientation != 0 && orientation != 1)
        return std::nullopt;
    bool ok = true;
    const double width = ReadMm(QStringLiteral("PaperWidth"), &ok);
    const double height = ReadMm(QStringLiteral("PaperHeight"), &ok);
    const QMarginsF margins(
        ReadMm(QStringLiteral("MarginLeft"), &ok), ReadMm(QStringLiteral("MarginTop"), &ok),
        ReadMm(QStringLiteral("MarginRight"), &ok), ReadMm(QStringLiteral("MarginBottom"), &ok));
    if (!ok || width <= 0 || height <= 0)
        return std::nullopt;
    return QPageLayout(
        QPageSize(QSizeF(width, height), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch),
        orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

} // namespace

QPageLayout ChosenPageLayout() {
    if (SessionChoice())
        return *SessionChoice();
    if (auto stored = StoredLayout())
        return *stored;
    return DefaultLayout();
}

void SetChosenPageLayout(const QPageLayout& layout) {
    if (!layout.isValid())
        return;
    SessionChoice() = layout;
    // The paper in its portrait form; the orientation says how it is turned.
    const QSizeF paper = layout.pageSize().size(QPageSize::Millimeter);
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    WriteMm(QStringLiteral("PaperWidth"), paper.width());
    WriteMm(QStringLiteral("PaperHeight"), paper.height());
    WriteMm(QStringLiteral("MarginLeft"), margins.left());
    WriteMm(QStringLiteral("MarginTop"), margins.top());
    WriteMm(QStringLiteral("MarginRight"), margins.right());
    WriteMm(QStringLiteral("MarginBottom"), margins.bottom());
    profile::WriteProfileInt(kSection, QStringLiteral("Orientation"),
                             layout.orientation() == QPageLayout::Landscape ? 1 : 0);
}

void ForgetChosenPage() {
    SessionChoice().reset();
    profile::WriteProfileString(kSection, QStringLiteral("Orientation"), QString());
}

PageSetup ChosenPageSetup() {
    const QPageLayout layout = ChosenPageLayout();
    const QSizeF paper = layout.pageSize().size(QPageSize::Millimeter);
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    PageSetup page;
    page.paperWidth = paper.width() / 10;
    page.paperHeight = paper.height() / 10;
    page.landscape = layout.orientation() == QPageLayout::Landscape;
    page.leftMargin = margins.left() / 10;
    page.topMargin = margins.top() / 10;
    page.rightMargin = margins.right() / 10;
    page.bottomMargin = margins.bottom() / 10;
    return page;
}

void ApplyChosenPage(QPrinter& printer) {
    const QPageLayout layout = ChosenPageLayout();
    printer.setPageSize(layout.pageSize());
    printer.setPageOrientation(layout.orientation());
    printer.setPageMargins(layout.margins(QPageLayout::Millimeter), QPageLayout::Millimeter);
}

bool RunPageSetup(QWidget* parent) {
    QPrinter printer;
    ApplyChosenPage(printer);
    QPageSetupDialog dialog(&printer, parent);
    if (ui::ExecDialog(dialog) != QDialog::Accepted)
        return false;
    SetChosenPageLayout(printer.pageLayout());
    return true;
}

} // namespace report
