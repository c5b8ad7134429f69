#pragma once
// The colour dialog (the system's "choose colour"), behind a replaceable service so that tests
// script the chosen colour.

#include <QColor>

#include <deque>
#include <vector>

class QWidget;

namespace ui {

class ColorDialogService {
public:
    virtual ~ColorDialogService() = default;
    // The chosen colour, or an invalid colour when the user cancelled.
    virtual QColor GetColor(QWidget* parent, const QColor& initial) = 0;
};

// Asks for a colour, starting from `initial`, through the current service.
QColor GetColor(QWidget* parent, const QColor& initial);

// Replaces the service; nullptr restores the on-screen dialog. The caller keeps ownership.
void SetColorDialogService(ColorDialogService* service);

// The test seam: answers from a script (cancel when it is empty) and records the initial colours.
class ScriptedColorDialogs : public ColorDialogService {
public:
    ScriptedColorDialogs() { SetColorDialogService(this); }
    ~ScriptedColorDialogs() override { SetColorDialogService(nullptr); }
    ScriptedColorDialogs(const ScriptedColorDialogs&) = delete;
    ScriptedColorDialogs& operator=(const ScriptedColorDialogs&) = delete;

    // An invalid colour answers Cancel.
    void SetNextAnswer(const QColor& colour) { m_answers.push_back(colour); }
    QColor GetColor(QWidget*, const QColor& initial) override {
        m_initial.push_back(initial);
        if (m_answers.empty())
            return {};
        const QColor c = m_answers.front();
        m_answers.pop_front();
        return c;
    }
    const std::vector<QColor>& Asked() const { return m_initial; }

private:
    std::deque<QColor> m_answers;
    std::vector<QColor> m_initial;
};

} // namespace ui
