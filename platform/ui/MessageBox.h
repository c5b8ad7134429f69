#pragma once
// Message boxes with the Windows flag and answer integers, behind a replaceable service so
// that tests can script the answers and read the texts that were shown.

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

class QMessageBox;
class QWidget;

namespace ui {

// Buttons and icons (the low byte and the icon nibble of the type flags).
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_OKCANCEL = 0x01;
inline constexpr unsigned MB_YESNOCANCEL = 0x03;
inline constexpr unsigned MB_YESNO = 0x04;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual int Show(QWidget* parent, const QString& text, const QString& caption, unsigned type) = 0;
};

// Shows a modal message box (through the current service) and returns the answer.
int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type = MB_OK);

// Makes `box` the box MessageBox shows on the screen: title, text, icon and buttons, no
// minimise or maximise button, at least as wide as MessageBoxTitleWidth, and F1 in it opens the
// help of the dialog its parent belongs to (ui::RequestHelpFor).
void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& caption, unsigned type);
// The width a box's title bar needs for its whole title.
int MessageBoxTitleWidth(const QWidget& box);

// Replaces the service; nullptr restores the real, on-screen one. The caller keeps ownership.
void SetMessageBoxService(MessageBoxService* service);

// The test seam: records every box and answers from a script (the default answer when the script
// is empty: IDOK for OK boxes, IDYES for yes/no boxes).
class ScriptedMessageBoxes : public MessageBoxService {
public:
    struct Shown {
        QString text;
        QString caption;
        unsigned type;
    };

    ScriptedMessageBoxes() { SetMessageBoxService(this); }
    ~ScriptedMessageBoxes() override { SetMessageBoxService(nullptr); }

    void SetNextAnswer(int answer) { m_answers.push_back(answer); }
    int Show(QWidget* parent, const QString& text, const QString& caption, unsigned type) override;

    const std::vector<Shown>& Boxes() const { return m_shown; }
    QStringList Texts() const;
    void Clear() { m_shown.clear(); }

private:
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
};

} // namespace ui
