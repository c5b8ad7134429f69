#include "report/GridPrint.h"

#include "controls/grid/GridCtrl.h"
#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"
#include "platform/ui/ModalRunner.h"
#include "report/ReportProgress.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// The wait cursor, and the progress window once the pages take more than a second; a print that
// does not come about says so once they are gone.
void PrintOnChosenPrinter(CGridCtrl& grid, QPrinter& printer) {
    bool printed = false;
    {
        const CReportProgress progress(grid.window());
        printed = grid.Print(&printer);
    }
    if (!printed)
        report::SayPrintFailed(grid.window(), printer);
}

GridPrinter& Printer() {
    static GridPrinter printer = PrintOnChosenPrinter;
    return printer;
}

DefaultPrinterQuery& Query() {
    static DefaultPrinterQuery query;
    return query;
}

QString DefaultPrinterName() {
    return Query() ? Query()() : QPrinterInfo::defaultPrinterName();
}

} // namespace

void SetupGridPrintDialog(QPrintDialog& dialog) {
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
}

std::intptr_t PrintGridOnRequest(CGridCtrl& grid) {
    const QString name = DefaultPrinterName();
    if (name.isEmpty())
        return 0;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(name);
    // The page chosen with 报表打印设置, not the printer's own default page.
    report::ApplyChosenPage(printer);
    printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer, nullptr);
    SetupGridPrintDialog(dialog);
    if (ui::ExecDialog(dialog) == QDialog::Accepted && Printer())
        Printer()(grid, printer);
    return 0;
}

void SetGridPrinter(GridPrinter printer) {
    Printer() = printer ? std::move(printer) : GridPrinter(PrintOnChosenPrinter);
}

void SetDefaultPrinterQuery(DefaultPrinterQuery query) {
    Query() = std::move(query);
}
