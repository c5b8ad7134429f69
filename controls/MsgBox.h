#pragma once
// A modal message box that can close itself after a delay, for short notices that should not wait
// for a click. The box is owned by a hidden window of our own; the timer closes the box that this
// object opened (found through that window), never a box that merely shares its caption.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QTimer;

class CMsgBox {
public:
    CMsgBox();
    // Creates the hidden window under `parent` at once.
    explicit CMsgBox(QWidget* parent);
    ~CMsgBox();
    CMsgBox(const CMsgBox&) = delete;
    CMsgBox& operator=(const CMsgBox&) = delete;

    // Creates the hidden window under `parent` once; 0 when it already exists, 1 when created.
    int CreateHidden(QWidget* parent);

    // Shows the box (through ui::MessageBox, owned by the hidden window) and returns its answer when
    // it closes; with autoClose, timer 100 closes it after delayMs. `type` takes the MB_* bits.
    int Show(const QString& text, const QString& caption, int delayMs, unsigned type, bool autoClose);

    // The caption of the box last shown.
    const QString& GetCaption() const { return m_strCaption; }
    bool IsCreated() const { return m_bCreated; }
    QWidget* GetSafeHwnd() const { return m_pWnd; }
    bool IsTimerActive() const;

    static constexpr int kTimerId = 100;
    static constexpr int kWindowId = 1000;

private:
    void OnTimer();

    QString m_strCaption;
    bool m_bCreated = false;
    QPointer<QWidget> m_pWnd;
    std::unique_ptr<QWidget> m_pOwnWnd; // the hidden window when it has no parent to own it
    std::unique_ptr<QTimer> m_timer;
};
