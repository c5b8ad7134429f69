#pragma once
// The font the settings and report dialogs give their grids: 宋体, 16 pixels, normal weight.

class CGridCtrl;

void SetDialogGridFont(CGridCtrl& grid);
