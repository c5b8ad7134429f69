#pragma once
// The up-down control: two arrow buttons that step a position within a range, optionally bound to
// a buddy edit box. With a buddy it sits at the buddy's right edge (the buddy gives up the width),
// writes each new position into the buddy as a plain number, and reads the buddy's number back
// when asked for its position.

#include <QTimer>
#include <QWidget>

class QLineEdit;

class CSpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtonCtrl(QWidget* parent = nullptr);
    ~CSpinButtonCtrl() override;

    void SetRange(int lower, int upper);
    int GetLower() const { return m_lower; }
    int GetUpper() const { return m_upper; }
    // Sets the position (kept within the range) and writes it into the buddy.
    void SetPos(int pos);
    // The buddy's number when it holds one within the range, else the last position.
    int GetPos();
    // Moves this control to the buddy's right edge and narrows the buddy by its width.
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* GetBuddy() const { return m_buddy; }

    // One step as a click on an arrow makes it: +1 up, -1 down.
    void Step(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnRepeat();

    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    int m_pressed = 0; // +1 while the up arrow is held, -1 the down arrow
    QLineEdit* m_buddy = nullptr;
    QTimer m_repeat;
};
