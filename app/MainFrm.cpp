#include "app/MainFrm.h"

#include "platform/res/StringTable.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(res::LoadString(57344));
    resize(1024, 700);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::ShowWindow() {
    showMaximized();
    update();
}
