#include "platform/res/Toolbar.h"

#include <QFile>

#include <algorithm>

namespace res {

std::vector<int> Toolbar::Buttons() const {
    std::vector<int> buttons;
    std::copy_if(items.begin(), items.end(), std::back_inserter(buttons), [](int id) { return id != 0; });
    return buttons;
}

QImage Toolbar::ButtonImage(int index) const {
    const int w = buttonSize.width();
    if (index < 0 || w <= 0 || (index + 1) * w > strip.width() || strip.height() < buttonSize.height())
        return {};
    return strip.copy(index * w, 0, w, buttonSize.height());
}

QImage Toolbar::ImageFor(int command) const {
    const std::vector<int> buttons = Buttons();
    const auto it = std::find(buttons.begin(), buttons.end(), command);
    return it == buttons.end() || command == 0 ? QImage()
                                               : ButtonImage(static_cast<int>(it - buttons.begin()));
}

std::optional<Toolbar> ParseToolbar(const QString& text, const QImage& strip) {
    Toolbar toolbar;
    toolbar.strip = strip;
    bool haveSize = false;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (!haveSize) {
            const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
            bool okW = false;
            bool okH = false;
            if (parts.size() != 2)
                return std::nullopt;
            toolbar.buttonSize = QSize(parts[0].toInt(&okW), parts[1].toInt(&okH));
            if (!okW || !okH || toolbar.buttonSize.isEmpty())
                return std::nullopt;
            haveSize = true;
            continue;
        }
        bool ok = false;
        const int id = line.toInt(&ok);
        if (!ok || id < 0)
            return std::nullopt;
        toolbar.items.push_back(id);
    }
    if (!haveSize)
        return std::nullopt;
    return toolbar;
}

std::optional<Toolbar> LoadToolbar(int id) {
    QFile f(QStringLiteral(":/veltora/toolbars/%1.txt").arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseToolbar(QString::fromUtf8(f.readAll()),
                        QImage(QStringLiteral(":/veltora/toolbars/%1.png").arg(id)));
}

} // namespace res
