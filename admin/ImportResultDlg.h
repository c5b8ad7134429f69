#pragma once
// The end of an import as the user sees it: the report of admin/ImportResult in a read-only text
// the user can select and copy, with 复制 (the whole report to the clipboard), 保存 (the whole
// report into a text file) and 确定. An import with nothing to note keeps its plain message box.

#include "admin/StudentRoster.h"
#include "platform/ui/Dialog.h"

class QPlainTextEdit;

class CImportResultDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 260 };
    static constexpr int IDC_TEXT = 1001;
    static constexpr int IDC_COPY = 1002;
    static constexpr int IDC_SAVE = 1003;

    explicit CImportResultDlg(const roster::ImportCount& count, QWidget* parent = nullptr);

    QString ShownText() const;
    QString FullText() const { return m_strFull; }

    void OnCopy();
    // Asks for a file through the file-dialog service and writes the whole report in UTF-8; a
    // file that cannot be written is told, with its name and why, and logged.
    void OnSave();

private:
    QString m_strFull;
    QPlainTextEdit* m_text = nullptr;
};

// The summary in a message box for an import with no row to note, else the result dialog.
void ShowImportResult(QWidget* parent, const roster::ImportCount& count);
