#include "platform/ui/Shell.h"

#include <QDesktopServices>

namespace ui {
namespace {

class DesktopShell : public ShellService {
public:
    bool Open(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopShell g_desktop;
ShellService* g_service = nullptr;

} // namespace

bool ShellOpen(const QUrl& url) {
    return (g_service ? g_service : &g_desktop)->Open(url);
}

void SetShellService(ShellService* service) {
    g_service = service;
}

} // namespace ui
