#include "platform/res/Menu.h"

#include <QFile>

namespace res {
namespace {

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    bool ParseItems(std::vector<MenuItem>& items, bool nested) {
        for (;;) {
            SkipBlanks();
            if (AtEnd())
                return !nested;
            const QString word = Word();
            if (word == u"END" || word == u"}")
                return nested;
            if (word == u"MENUITEM") {
                SkipBlanks();
                MenuItem item;
                if (Peek() == u'"') {
                    if (!String(item.text) || !Comma())
                        return false;
                    const QString number = Word();
                    bool ok = false;
                    item.id = number.toInt(&ok);
                    if (!ok)
                        return false;
                } else if (Word() == u"SEPARATOR") {
                    item.kind = MenuItem::Kind::Separator;
                } else {
                    return false;
                }
                items.push_back(std::move(item));
            } else if (word == u"POPUP") {
                SkipBlanks();
                MenuItem popup;
                popup.kind = MenuItem::Kind::Popup;
                if (!String(popup.text))
                    return false;
                SkipBlanks();
                const QString open = Word();
                if (open != u"BEGIN" && open != u"{")
                    return false;
                if (!ParseItems(popup.items, true))
                    return false;
                items.push_back(std::move(popup));
            } else {
                return false;
            }
        }
    }

private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    QChar Peek() const { return AtEnd() ? QChar() : m_text.at(m_pos); }

    void SkipBlanks() {
        while (!AtEnd()) {
            const QChar c = Peek();
            if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'#' ||
                       (c == u'/' && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == u'/')) {
                while (!AtEnd() && Peek() != u'\n')
                    ++m_pos;
            } else {
                break;
            }
        }
    }

    QString Word() {
        SkipBlanks();
        if (Peek() == u'{' || Peek() == u'}')
            return QString(m_text.at(m_pos++));
        const qsizetype start = m_pos;
        while (!AtEnd() && !Peek().isSpace() && Peek() != u',' && Peek() != u'"')
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    bool Comma() {
        SkipBlanks();
        if (Peek() != u',')
            return false;
        ++m_pos;
        return true;
    }

    bool String(QString& out) {
        if (Peek() != u'"')
            return false;
        ++m_pos;
        while (!AtEnd()) {
            const QChar c = m_text.at(m_pos++);
            if (c == u'"')
                return true;
            if (c == u'\n')
                return false;
            if (c == u'\\' && !AtEnd()) {
                const QChar n = m_text.at(m_pos++);
                out += n == u't' ? QChar(u'\t') : n;
            } else {
                out += c;
            }
        }
        return false;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

void CollectIds(const std::vector<MenuItem>& items, std::vector<int>& ids) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::Command)
            ids.push_back(item.id);
        else if (item.kind == MenuItem::Kind::Popup)
            CollectIds(item.items, ids);
    }
}

const MenuItem* Find(const std::vector<MenuItem>& items, int id) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::Command && item.id == id)
            return &item;
        if (item.kind == MenuItem::Kind::Popup)
            if (const MenuItem* found = Find(item.items, id))
                return found;
    }
    return nullptr;
}

} // namespace

QString MenuItem::Label() const {
    const qsizetype tab = text.indexOf(u'\t');
    return tab < 0 ? text : text.left(tab);
}

QString MenuItem::AcceleratorText() const {
    const qsizetype tab = text.indexOf(u'\t');
    return tab < 0 ? QString() : text.mid(tab + 1);
}

std::vector<int> Menu::CommandIds() const {
    std::vector<int> ids;
    CollectIds(items, ids);
    return ids;
}

const MenuItem* Menu::FindCommand(int id) const {
    return Find(items, id);
}

std::optional<Menu> ParseMenu(const QString& script) {
    Menu menu;
    Parser parser(script);
    if (!parser.ParseItems(menu.items, false))
        return std::nullopt;
    return menu;
}

std::optional<Menu> LoadMenu(int id) {
    QFile f(QStringLiteral(":/veltora/menus/%1.rc").arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseMenu(QString::fromUtf8(f.readAll()));
}

} // namespace res
