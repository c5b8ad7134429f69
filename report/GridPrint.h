#pragma once
// The grid's print request: the Print command of a grid's own print preview reaches the view,
// which posts WM_PRINTGRID to the main frame; the frame relays it to the registered print target,
// a report dialog, whose handler lets the user choose a printer and prints the dialog's grid.

#include <QString>

#include <cstdint>
#include <functional>

class CGridCtrl;
class QPrintDialog;
class QPrinter;

// The print request (both parameters 0).
inline constexpr unsigned WM_PRINTGRID = 0xA74;

// The report dialogs' answer to WM_PRINTGRID: without a default printer nothing happens;
// otherwise the print dialog opens on the default printer with the page chosen with 报表打印设置
// (all pages, no page range, no selection, no printing to a file) and on OK the grid is printed
// on the chosen printer. Always 0.
std::intptr_t PrintGridOnRequest(CGridCtrl& grid);

// Prints a grid on a printer the user chose: by default the grid prints itself; tests install
// their own, and an empty function restores the default.
using GridPrinter = std::function<void(CGridCtrl& grid, QPrinter& printer)>;
void SetGridPrinter(GridPrinter printer);

// The name of the default printer, empty when there is none; an empty function restores the
// system's answer.
using DefaultPrinterQuery = std::function<QString()>;
void SetDefaultPrinterQuery(DefaultPrinterQuery query);

// The options of the print dialog the request shows.
void SetupGridPrintDialog(QPrintDialog& dialog);
