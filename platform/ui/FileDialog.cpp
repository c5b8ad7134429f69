#include "platform/ui/FileDialog.h"

#include <QFileDialog>

namespace ui {
namespace {

class ScreenFileDialogs : public FileDialogService {
public:
    QString GetOpenFileName(QWidget* parent, const QString& filter) override {
        return GetOpenFileNameTitled(parent, filter, QString());
    }
    QString GetOpenFileNameTitled(QWidget* parent, const QString& filter, const QString& title) override {
        return QFileDialog::getOpenFileName(parent, title, QString(), ToQtFilter(filter), nullptr,
                                            QFileDialog::ReadOnly);
    }
    QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) override {
        // Qt's save dialog asks before replacing a file and shows no read-only box.
        return QFileDialog::getSaveFileName(parent, QString(), proposedName, ToQtFilter(filter));
    }
};

ScreenFileDialogs g_screen;
FileDialogService* g_service = nullptr;

} // namespace

QString GetOpenFileName(QWidget* parent, const QString& filter) {
    return (g_service ? g_service : &g_screen)->GetOpenFileName(parent, filter);
}

QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) {
    return (g_service ? g_service : &g_screen)->GetSaveFileName(parent, filter, proposedName);
}

QString GetOpenFileName(QWidget* parent, const QString& filter, const QString& title) {
    return (g_service ? g_service : &g_screen)->GetOpenFileNameTitled(parent, filter, title);
}

void SetFileDialogService(FileDialogService* service) {
    g_service = service;
}

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts.at(i).trimmed();
        if (name.isEmpty())
            break;
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        // Qt takes the patterns from the parentheses of a description; add them where it has none.
        out << (name.contains(u'(') ? name : name + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace ui
