#include "platform/ui/MessageBox.h"

#include "platform/ui/Dialog.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QShortcut>
#include <QSpacerItem>

namespace ui {
namespace {

struct Button {
    QMessageBox::StandardButton button;
    const char* text;
    int answer;
};

std::vector<Button> ButtonsOf(unsigned type) {
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, "确定", IDOK}, {QMessageBox::Cancel, "取消", IDCANCEL}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, "是(&Y)", IDYES}, {QMessageBox::No, "否(&N)", IDNO}, {QMessageBox::Cancel, "取消", IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, "是(&Y)", IDYES}, {QMessageBox::No, "否(&N)", IDNO}};
    default:
        return {{QMessageBox::Ok, "确定", IDOK}};
    }
}

class ScreenMessageBoxes : public MessageBoxService {
public:
    int Show(QWidget* parent, const QString& text, const QString& caption, unsigned type) override {
        QMessageBox box(parent);
        SetUpMessageBox(box, text, caption, type);
        const int pressed = box.exec();
        for (const Button& b : ButtonsOf(type))
            if (pressed == b.button)
                return b.answer;
        // Closed with the window's close button: Cancel where there is one, else the only answer.
        return (type & 0x0F) == MB_YESNO ? IDNO : (type & 0x0F) == MB_OK ? IDOK : IDCANCEL;
    }
};

} // namespace

int MessageBoxTitleWidth(const QWidget& box) {
    // The title bar holds the window's icon and close button besides the title; the frame's font
    // is the window manager's, so the box's own font stands for it with room to spare.
    const QFontMetrics metrics(box.font());
    return metrics.horizontalAdvance(box.windowTitle()) + 4 * metrics.height();
}

void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& caption, unsigned type) {
    // A box given no caption is titled with the program's name, as Windows titles a
    // message box of the application; an empty title bar would leave the user guessing.
    box.setWindowTitle(caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption);
    // A box is answered or closed, never minimised or maximised.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // A message box shows its text as it stands: texts from outside (a page from the
    // network, a file name) must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (type & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    const std::vector<Button> buttons = ButtonsOf(type);
    QMessageBox::StandardButtons all;
    for (const Button& b : buttons)
        all |= b.button;
    box.setStandardButtons(all);
    for (const Button& b : buttons)
        box.button(b.button)->setText(QString::fromUtf8(b.text));
    // F1 in the box opens the help of the dialog it belongs to, as a box that says "请按F1获取帮助"
    // promises; the dialog's own F1 does not reach a window of its own.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &box);
    QObject::connect(help, &QShortcut::activated, &box, [&box] { RequestHelpFor(box.parentWidget()); });
    // The box sizes itself to its text and buttons; a spacer across its layout makes it at least
    // as wide as its title bar needs, so that a short message does not cut its title.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(MessageBoxTitleWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

namespace {

ScreenMessageBoxes g_screen;
MessageBoxService* g_service = nullptr;

} // namespace

int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) {
    MessageBoxService* s = g_service ? g_service : &g_screen;
    return s->Show(parent, text, caption, type);
}

void SetMessageBoxService(MessageBoxService* service) {
    g_service = service;
}

int ScriptedMessageBoxes::Show(QWidget*, const QString& text, const QString& caption, unsigned type) {
    m_shown.push_back({text, caption, type});
    if (!m_answers.empty()) {
        const int a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    const unsigned buttons = type & 0x0F;
    return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
}

QStringList ScriptedMessageBoxes::Texts() const {
    QStringList out;
    for (const Shown& s : m_shown)
        out << s.text;
    return out;
}

} // namespace ui
