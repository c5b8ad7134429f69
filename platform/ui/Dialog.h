#pragma once
// The modal dialog base: a template id, controls found by their numeric ids, the init/OK/Cancel
// hooks of a Windows dialog, and DoModal through a replaceable runner so that tests can
// check which dialog a command opens, in which mode, without showing a window.

#include <QDialog>
#include <QRect>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class Dialog : public QDialog {
    Q_OBJECT
public:
    explicit Dialog(int templateId, QWidget* parent = nullptr);
    ~Dialog() override;

    int TemplateId() const { return m_templateId; }

    // Runs the dialog modally (through the current runner) and returns the code EndDialog gave:
    // IDOK (1), IDCANCEL (2) or the dialog's own.
    virtual int DoModal();

    // Called once before the dialog is first shown; return value as the framework's (true: let
    // the default focus stand).
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(1); }
    virtual void OnCancel() { EndDialog(2); }
    void EndDialog(int result);

    // Controls by numeric id: a child widget is given its id with SetDlgCtrlId.
    static void SetDlgCtrlId(QWidget* control, int id);
    static int GetDlgCtrlId(const QWidget* control);
    QWidget* GetDlgItem(int id) const;
    template <typename T> T* GetDlgItem(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    void SetDlgItemText(int id, const QString& text);
    QString GetDlgItemText(int id) const;

    // Starts the dialog's own event loop; used by the real runner.
    int ExecModal();

protected:
    void done(int result) override;
    void reject() override; // Escape and the close button go through OnCancel
    void accept() override; // a default button goes through OnOK

private:
    int m_templateId;
    bool m_initialised = false;
    bool m_ending = false;
};

// F1 in a dialog (whatever control has the focus) calls the handler the program installed with
// the dialog, which shows its help page; without a handler F1 does nothing.
using HelpKeyHandler = std::function<void(Dialog&)>;
void SetHelpKeyHandler(HelpKeyHandler handler);
// Calls the handler as F1 does; false without one.
bool RequestDialogHelp(Dialog& dialog);
// F1 in a window of a dialog's own, such as a message box it shows: the help of the nearest
// dialog among `owner` and its parents; false when there is none or no handler.
bool RequestHelpFor(QWidget* owner);

// The runner: by default ExecModal. Tests install one that inspects the dialog (its class, its
// mode) and answers without showing it; an empty function restores the default.
using DialogRunner = std::function<int(Dialog&)>;
void SetDialogRunner(DialogRunner runner);

// Controls placed at a fixed rectangle of a dialog laid out as its template, each with its id.
QPushButton* AddButton(QWidget* dialog, int id, const QString& text, const QRect& rect);
QLineEdit* AddEdit(QWidget* dialog, int id, const QRect& rect);
// An editable combo box that inserts nothing of what is typed.
QComboBox* AddEditableCombo(QWidget* dialog, int id, const QRect& rect);
QLabel* AddLabel(QWidget* dialog, const QString& text, const QRect& rect);

} // namespace ui
