#pragma once
// Report templates in a text format of our own (the exam-room desk labels' "roomtt.grf"):
//
//   [Report]   Format = VeltoraReport 1, Title, FontSize
//   [Page]     Paper = 21 x 29.7 (cm) or A4/A3/B5, Orientation = Portrait|Landscape,
//              Margins = left top right bottom (cm)
//   [Fields]   one "name = type" line per record field (type 1 text, 2 integer, 3 number)
//   [Label]    Columns, Rows (0: as many as fit), Width, Height, HorizontalGap, VerticalGap, Border
//   [PageHeader] / [PageFooter]   Height
//   [Box]      a text box of the [Label], [PageHeader] or [PageFooter] above it: Text, Kind,
//              Left, Top, Width, Height, FontSize, Bold, Italic, Color (#RRGGBB), Align, Dock,
//              Anchor, Border
//
// Lines starting with '#' or ';' are comments. Texts may use "\n" for a line break and the
// report's fields ("[#fld02#]", "[#SystemVar(PageNumber)#]"). The file is UTF-8; a file that is
// not valid UTF-8 is read as code page 936.

#include "platform/report/Definition.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace report {

struct ReportTemplate {
    ReportDefinition definition;
    std::vector<FieldDef> fields;
};

// nullopt with a message naming the line for a malformed template.
std::optional<ReportTemplate> ParseTemplate(const QByteArray& bytes, QString* error = nullptr);
std::optional<ReportTemplate> LoadTemplate(const QString& path, QString* error = nullptr);

// The desk-label layout shipped as roomtt.grf: two labels across, five down an A4 page, each
// with the room and class, the name, the exam number and the student number (fields fld00,
// fld01, fld02, fld05 and fld06).
const QByteArray& DefaultLabelTemplateText();
ReportTemplate DefaultLabelTemplate();

} // namespace report
