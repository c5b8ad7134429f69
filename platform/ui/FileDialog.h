#pragma once
// The open-file dialog with the Windows filter syntax ("Name (*.a)|*.a|All (*.*)|*.*||"),
// behind a replaceable service so that tests script the chosen file.

#include <QString>
#include <QStringList>

#include <deque>

class QWidget;

namespace ui {

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen path, or an empty string when the user cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& filter) = 0;
    // The same with a title for the dialog's window.
    virtual QString GetOpenFileNameTitled(QWidget* parent, const QString& filter, const QString&) {
        return GetOpenFileName(parent, filter);
    }
};

QString GetOpenFileName(QWidget* parent, const QString& filter);
QString GetOpenFileName(QWidget* parent, const QString& filter, const QString& title);

// Replaces the service; nullptr restores the on-screen dialog. The caller keeps ownership.
void SetFileDialogService(FileDialogService* service);

// "Name (*.a)|*.a|All (*.*)|*.*||" as Qt's "Name (*.a);;All (*.*)": each description with the
// patterns of its pair.
QString ToQtFilter(const QString& filter);

// The test seam: answers from a script (cancel when it is empty) and records the filters asked.
class ScriptedFileDialogs : public FileDialogService {
public:
    ScriptedFileDialogs() { SetFileDialogService(this); }
    ~ScriptedFileDialogs() override { SetFileDialogService(nullptr); }

    void SetNextAnswer(const QString& path) { m_answers.push_back(path); }
    QString GetOpenFileName(QWidget*, const QString& filter) override {
        m_filters << filter;
        if (m_answers.empty())
            return {};
        QString a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    QString GetOpenFileNameTitled(QWidget* parent, const QString& filter, const QString& title) override {
        m_titles << title;
        return GetOpenFileName(parent, filter);
    }
    const QStringList& Filters() const { return m_filters; }
    const QStringList& Titles() const { return m_titles; } // of the dialogs asked with a title

private:
    std::deque<QString> m_answers;
    QStringList m_filters;
    QStringList m_titles;
};

} // namespace ui
