#pragma once
// The program's only top-level window.

#include "data/TextCipher.h"

#include <QMainWindow>

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Shows the frame; it always comes up maximised.
    void ShowWindow();

    // The text cipher on the frame's own cipher holder.
    QString DecodeText(const QString& key, const QString& hexText) {
        return m_cipher.DecodeText(key, hexText);
    }
    QString EncodeText(const QString& key, const QString& text) { return m_cipher.EncodeText(key, text); }

private:
    CTextCipher m_cipher;
};
