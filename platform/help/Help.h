#pragma once
// The program's help: HTML pages in a folder of the program directory, shown in place of the
// compiled help file. The folder holds "index.html" (the default topic) and "contexts.txt", which
// maps help context ids to pages ("<id><TAB><page>", '#' starts a comment line).
//
// The book is bound on its first request. When it cannot be bound (no folder, no index page),
// that is remembered: every later request only tells the user that the help is missing. A page
// of contexts.txt must lie inside the folder; an entry naming anything else is ignored (its
// context shows the default page).

#include <QHash>
#include <QString>
#include <QUrl>

class QWidget;

namespace help {

// The commands of a help request.
inline constexpr unsigned HELP_CONTEXT = 0x0001;
inline constexpr unsigned HELP_QUIT = 0x0002;
inline constexpr unsigned HELP_CONTENTS = 0x0003;
inline constexpr unsigned HELP_FINDER = 0x000B;

// Shows a page; replaceable so that tests record it instead of opening a window.
class HelpPresenter {
public:
    virtual ~HelpPresenter() = default;
    virtual void Show(QWidget* owner, const QUrl& page) = 0;
    virtual void Close() {}
};

// nullptr restores the built-in help window. The caller keeps ownership.
void SetHelpPresenter(HelpPresenter* presenter);
HelpPresenter& CurrentPresenter();

class HelpBook {
public:
    explicit HelpBook(QString folder);

    // Shows the page of `context` for HELP_CONTEXT, the default page for any other command,
    // closes the help for HELP_QUIT. False when nothing was shown (the book could not be bound,
    // which a message box tells, except for HELP_QUIT).
    bool Request(QWidget* owner, unsigned command, quint32 context);

    // The page of `context`: its mapped page, or the default page for an unknown id.
    QUrl PageFor(quint32 context) const;

    bool IsBound() const { return m_state == State::Bound; }
    bool HasFailed() const { return m_state == State::Failed; }

    // The message that tells the user the help is missing.
    QString MissingText() const;

private:
    enum class State { Unbound, Bound, Failed };
    bool Bind();
    bool InsideFolder(const QString& page) const;

    QString m_folder;
    State m_state = State::Unbound;
    QHash<quint32, QString> m_pages;
};

} // namespace help
