#pragma once
// The page chosen with 报表打印设置 (paper size, orientation and margins). It is kept for the
// session and in the profile, and every report and every grid printout starts from it.

#include "platform/report/Definition.h"

#include <QPageLayout>

class QPrinter;
class QWidget;

namespace report {

// The chosen page; before any choice, A4 portrait with margins of 1.5 cm.
QPageLayout ChosenPageLayout();
// Keeps `layout` for the session and writes it to the profile.
void SetChosenPageLayout(const QPageLayout& layout);
// Forgets the choice, in the session and in the profile.
void ForgetChosenPage();

// The chosen page as a report definition's page.
PageSetup ChosenPageSetup();
// Gives `printer` the chosen page.
void ApplyChosenPage(QPrinter& printer);

// 报表打印设置: the page setup dialog, opened on the chosen page; OK keeps the page it shows.
// True when the user confirmed.
bool RunPageSetup(QWidget* parent);

} // namespace report
