#include "platform/ui/Dialog.h"

#include <QPushButton>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>
#include <QVariant>

namespace ui {
namespace {
DialogRunner g_runner;
HelpKeyHandler g_helpKey;
const char* const kCtrlId = "dlgCtrlId";
} // namespace

Dialog::Dialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this, [this] { RequestDialogHelp(*this); });
}

void SetHelpKeyHandler(HelpKeyHandler handler) {
    g_helpKey = std::move(handler);
}

bool RequestDialogHelp(Dialog& dialog) {
    if (!g_helpKey)
        return false;
    g_helpKey(dialog);
    return true;
}

bool RequestHelpFor(QWidget* owner) {
    for (QWidget* w = owner; w; w = w->parentWidget())
        if (auto* dialog = qobject_cast<Dialog*>(w))
            return RequestDialogHelp(*dialog);
    return false;
}

Dialog::~Dialog() = default;

int Dialog::DoModal() {
    if (g_runner)
        return g_runner(*this);
    return ExecModal();
}

int Dialog::ExecModal() {
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    m_ending = false;
    return exec();
}

void Dialog::EndDialog(int result) {
    m_ending = true;
    QDialog::done(result);
}

void Dialog::done(int result) {
    // Closing paths that bypass EndDialog (the window manager) still end with the given code.
    if (m_ending) {
        QDialog::done(result);
        return;
    }
    EndDialog(result);
}

void Dialog::reject() {
    OnCancel();
}
void Dialog::accept() {
    OnOK();
}

void Dialog::SetDlgCtrlId(QWidget* control, int id) {
    control->setProperty(kCtrlId, id);
}

int Dialog::GetDlgCtrlId(const QWidget* control) {
    const QVariant v = control ? control->property(kCtrlId) : QVariant();
    return v.isValid() ? v.toInt() : 0;
}

QWidget* Dialog::GetDlgItem(int id) const {
    const auto children = findChildren<QWidget*>();
    for (QWidget* w : children)
        if (GetDlgCtrlId(w) == id)
            return w;
    return nullptr;
}

void Dialog::SetDlgItemText(int id, const QString& text) {
    QWidget* w = GetDlgItem(id);
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* c = qobject_cast<QComboBox*>(w))
        c->setEditText(text);
    else if (auto* t = qobject_cast<QTextEdit*>(w))
        t->setPlainText(text);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        p->setPlainText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(text);
    else if (w)
        w->setWindowTitle(text);
}

QString Dialog::GetDlgItemText(int id) const {
    QWidget* w = GetDlgItem(id);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    if (auto* t = qobject_cast<QTextEdit*>(w))
        return t->toPlainText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        return p->toPlainText();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return w ? w->windowTitle() : QString();
}

void SetDialogRunner(DialogRunner runner) {
    g_runner = std::move(runner);
}

QPushButton* AddButton(QWidget* dialog, int id, const QString& text, const QRect& rect) {
    auto* b = new QPushButton(text, dialog);
    Dialog::SetDlgCtrlId(b, id);
    b->setGeometry(rect);
    return b;
}

QLineEdit* AddEdit(QWidget* dialog, int id, const QRect& rect) {
    auto* e = new QLineEdit(dialog);
    Dialog::SetDlgCtrlId(e, id);
    e->setGeometry(rect);
    return e;
}

QComboBox* AddEditableCombo(QWidget* dialog, int id, const QRect& rect) {
    auto* c = new QComboBox(dialog);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    Dialog::SetDlgCtrlId(c, id);
    c->setGeometry(rect);
    return c;
}

QLabel* AddLabel(QWidget* dialog, const QString& text, const QRect& rect) {
    auto* l = new QLabel(text, dialog);
    l->setGeometry(rect);
    return l;
}

} // namespace ui
