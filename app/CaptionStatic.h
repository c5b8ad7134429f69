#pragma once
// A static control painted as a coloured strip: a vertical gradient from full intensity to black,
// the program icon at the bottom left and the control's text in large white letters.

#include <QLabel>

class QPainter;

class CCaptionStatic : public QLabel {
    Q_OBJECT
public:
    explicit CCaptionStatic(QWidget* parent = nullptr);
    ~CCaptionStatic() override;

    void SetRed(bool on) { m_bRed = on; }
    void SetGreen(bool on) { m_bGreen = on; }
    void SetBlue(bool on) { m_bBlue = on; }
    bool GetRed() const { return m_bRed; }
    bool GetGreen() const { return m_bGreen; }
    bool GetBlue() const { return m_bBlue; }

    // 256 bands over the client rectangle, value 255 - i in each channel that is on.
    void FillGradient(QPainter& dc) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bRed = true;
    bool m_bGreen = true;
    bool m_bBlue = true;
};
