#include "platform/ui/ColorDialog.h"

#include <QColorDialog>

namespace ui {
namespace {

class ScreenColorDialogs : public ColorDialogService {
public:
    QColor GetColor(QWidget* parent, const QColor& initial) override {
        return QColorDialog::getColor(initial, parent);
    }
};

ScreenColorDialogs g_screen;
ColorDialogService* g_service = nullptr;

} // namespace

QColor GetColor(QWidget* parent, const QColor& initial) {
    return (g_service ? g_service : &g_screen)->GetColor(parent, initial);
}

void SetColorDialogService(ColorDialogService* service) {
    g_service = service;
}

} // namespace ui
