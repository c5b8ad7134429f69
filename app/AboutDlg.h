#pragma once
// The about box: a caption strip, an animated picture and the program's version.

#include "platform/ui/Dialog.h"

class CCaptionStatic;
class CGifStatic;

class CAboutDlg : public ui::Dialog {
    Q_OBJECT
public:
    static constexpr int IDD = 100;
    static constexpr int kAnimationId = 176;

    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    bool OnInitDialog() override;

    CCaptionStatic* m_stCaption; // control 1131
    CGifStatic* m_gifAnimation;  // control 1077

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
