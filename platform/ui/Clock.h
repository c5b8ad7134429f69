#pragma once
// The clock: the local date and time, behind a replaceable source so that tests can fix "now".

#include <QDate>
#include <QDateTime>

#include <functional>

namespace ui {

// The current local date and time, from the current source.
QDateTime CurrentDateTime();
// The local date of CurrentDateTime.
QDate CurrentDate();

// Replaces the source (an empty function restores the system clock).
void SetClockSource(std::function<QDateTime()> source);

// The test seam: the clock reads `now` while this object lives.
class FixedClock {
public:
    explicit FixedClock(const QDateTime& now) : m_now(now) {
        SetClockSource([this] { return m_now; });
    }
    explicit FixedClock(const QDate& today) : FixedClock(QDateTime(today, QTime(12, 0))) {}
    ~FixedClock() { SetClockSource({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    void Set(const QDateTime& now) { m_now = now; }
    void Set(const QDate& today) { m_now = QDateTime(today, QTime(12, 0)); }

private:
    QDateTime m_now;
};

} // namespace ui
