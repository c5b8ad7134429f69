#include "controls/grid/GridFont.h"

#include "controls/grid/GridCtrl.h"

void SetDialogGridFont(CGridCtrl& grid) {
    gdi::LOGFONT lf = grid.GetFont() ? grid.GetFont()->GetLogFont() : gdi::LOGFONT{};
    lf.lfFaceName = QStringLiteral("宋体");
    lf.lfHeight = -16;
    lf.lfWeight = gdi::FW_NORMAL;
    lf.lfCharSet = gdi::ANSI_CHARSET;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = 2;
    grid.SetFont(lf, true);
}
