#include "controls/MsgBox.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

#include <QDialog>
#include <QTimer>

#include <algorithm>

namespace {
const char* const kWindowName = "{62BAB41D-B6BB-402C-89EF-5B86830DF68C}";
}

CMsgBox::CMsgBox() = default;

CMsgBox::CMsgBox(QWidget* parent) {
    CreateHidden(parent);
}

CMsgBox::~CMsgBox() {
    m_timer.reset();
    if (m_pOwnWnd)
        m_pOwnWnd.reset();
    else
        delete m_pWnd.data();
}

int CMsgBox::CreateHidden(QWidget* parent) {
    if (m_pWnd)
        return 0;
    auto window = std::make_unique<QWidget>(parent);
    window->setObjectName(QLatin1String(kWindowName));
    ui::Dialog::SetDlgCtrlId(window.get(), kWindowId);
    window->setGeometry(0, 0, 0, 0);
    window->hide(); // never shown, also not when the parent is
    m_pWnd = window.get();
    if (parent)
        window.release(); // the parent owns it from now on
    else
        m_pOwnWnd = std::move(window);
    m_bCreated = true;
    return 1;
}

bool CMsgBox::IsTimerActive() const {
    return m_timer && m_timer->isActive();
}

int CMsgBox::Show(const QString& text, const QString& caption, int delayMs, unsigned type, bool autoClose) {
    m_strCaption = caption;
    if (!m_pWnd)
        CreateHidden(nullptr);
    if (autoClose) {
        if (!m_timer) {
            m_timer = std::make_unique<QTimer>();
            m_timer->setSingleShot(true);
            QObject::connect(m_timer.get(), &QTimer::timeout, [this] { OnTimer(); });
        }
        m_timer->start(std::max(0, delayMs));
    }
    const int answer = ui::MessageBox(m_pWnd, text, caption, type);
    // A box closed before its time leaves no timer behind to close a later box of ours.
    if (m_timer)
        m_timer->stop();
    return answer;
}

void CMsgBox::OnTimer() {
    // Our box is a child of our own hidden window; boxes of others, whatever their caption, are not.
    if (m_pWnd) {
        for (QObject* child : m_pWnd->children()) {
            auto* box = qobject_cast<QDialog*>(child);
            if (box && box->isVisible())
                QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    if (m_timer)
        m_timer->stop();
}
