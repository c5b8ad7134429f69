#pragma once
// The open-file and save-file dialogs with the Windows filter syntax
// ("Name (*.a)|*.a|All (*.*)|*.*||"), behind a replaceable service so that tests script the
// chosen file.

#include <QString>
#include <QStringList>

#include <deque>

class QFileDevice;
class QWidget;

namespace ui {

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen path, or an empty string when the user cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& filter) = 0;
    // The path to write, or an empty string when the user cancelled: the dialog proposes
    // `proposedName`, asks before an existing file is replaced and offers no read-only box.
    virtual QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) {
        (void)parent;
        (void)filter;
        (void)proposedName;
        return {};
    }
    // The same with a title for the dialog's window.
    virtual QString GetOpenFileNameTitled(QWidget* parent, const QString& filter, const QString&) {
        return GetOpenFileName(parent, filter);
    }
};

// A chosen file of the open database (its file, journal or index file, and for a save its twin;
// db/FileGuard.h) is refused with "不能选用程序正在使用的数据库文件。" and answered as a cancel.
QString GetOpenFileName(QWidget* parent, const QString& filter);
QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName);
QString GetOpenFileName(QWidget* parent, const QString& filter, const QString& title);
// The box that refuses a file of the open database, for a file named elsewhere (a print
// dialog's output file).
void ShowDatabaseFileRefusal(QWidget* parent);

// Where the on-screen dialogs open: the folder of the file last chosen in one (kept in the
// profile, Settings/LastFolder) while it exists, else the user's home folder. Never the process's
// working folder, which is wherever the program happened to be started.
QString StartFolder();
// The save dialog's start: a proposed name without a folder is placed in StartFolder.
QString StartPath(const QString& proposedName);
// Keeps the folder of a chosen file for the next dialog; an empty path (cancelled) keeps the old.
void RememberFolderOf(const QString& path);

// Why a file could not be written to `path`, as the user can act on it: a folder of that name, a
// missing folder, a read-only file or folder, a full disk; else `file`'s own error, or an empty
// text when nothing is known.
QString WriteFailureReason(const QString& path, const QFileDevice* file = nullptr);

// Replaces the service; nullptr restores the on-screen dialog. The caller keeps ownership.
void SetFileDialogService(FileDialogService* service);

// "Name (*.a)|*.a|All (*.*)|*.*||" as Qt's "Name (*.a);;All (*.*)": each description with the
// patterns of its pair.
QString ToQtFilter(const QString& filter);

// The test seam: answers from a script (cancel when it is empty) and records the filters asked
// and the names proposed.
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

    void SetNextSaveAnswer(const QString& path) { m_saveAnswers.push_back(path); }
    QString GetSaveFileName(QWidget*, const QString& filter, const QString& proposedName) override {
        m_filters << filter;
        m_proposed << proposedName;
        if (m_saveAnswers.empty())
            return {};
        QString a = m_saveAnswers.front();
        m_saveAnswers.pop_front();
        return a;
    }
    const QStringList& ProposedNames() const { return m_proposed; }

private:
    std::deque<QString> m_answers;
    std::deque<QString> m_saveAnswers;
    QStringList m_filters;
    QStringList m_proposed;
    QStringList m_titles;
};

} // namespace ui
