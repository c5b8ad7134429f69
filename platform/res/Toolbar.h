#pragma once
// Toolbar resources by id: ":/veltora/toolbars/<id>.txt" gives the button size ("<w> <h>" on the
// first line) and then one command id per line for each slot, 0 for a separator;
// ":/veltora/toolbars/<id>.png" is the image strip with one image per button (separators have
// none), left to right in slot order.

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace res {

struct Toolbar {
    QSize buttonSize;
    std::vector<int> items; // command ids by slot; 0 = separator
    QImage strip;

    // The buttons' command ids in image order (the slots without separators).
    std::vector<int> Buttons() const;
    // The image of button `index` (image order); a null image when the strip has none.
    QImage ButtonImage(int index) const;
    // The image of the button of `command`; a null image when the toolbar has no such button.
    QImage ImageFor(int command) const;
};

std::optional<Toolbar> ParseToolbar(const QString& text, const QImage& strip);
std::optional<Toolbar> LoadToolbar(int id);

} // namespace res
