#pragma once
// A report's definition as plain data: the page, the sections with their text boxes, the detail
// table (captions, columns, column groups, record groups) and, for label reports, the label
// layout. Lengths are centimetres and font sizes points; column widths are relative weights that
// the layout fits to the printable width.

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace report {

// Item kinds of section boxes.
inline constexpr int ItemStaticBox = 1; // its text is printed as given
inline constexpr int ItemMemoBox = 8;   // [#...#] fields in its text are filled in

// Field type codes.
inline constexpr int FieldString = 1;
inline constexpr int FieldInteger = 2;
inline constexpr int FieldFloat = 3;

// Text alignment (a box's third layout code, a column's alignments): one horizontal and one
// vertical bit.
inline constexpr int AlignLeft = 0x01;
inline constexpr int AlignCenter = 0x02;
inline constexpr int AlignRight = 0x04;
inline constexpr int AlignTop = 0x10;
inline constexpr int AlignMiddle = 0x20;
inline constexpr int AlignBottom = 0x40;

// Docking (a box's first layout code).
inline constexpr int DockNone = 0;
inline constexpr int DockLeft = 1;
inline constexpr int DockTop = 2;
inline constexpr int DockFill = 3;
inline constexpr int DockRight = 4;
inline constexpr int DockBottom = 5;

// Anchors (a box's second layout code): a box anchored left and right stretches to its section's
// right edge.
inline constexpr int AnchorLeft = 0x1;
inline constexpr int AnchorTop = 0x2;
inline constexpr int AnchorRight = 0x4;
inline constexpr int AnchorBottom = 0x8;

// Where the column captions are printed (the caption row's style code); the bits combine.
inline constexpr int CaptionsAtReportStart = 0x1;
inline constexpr int CaptionsOnEveryPage = 0x2;
inline constexpr int CaptionsAtEveryGroup = 0x4; // and at the top of every page

// Group header and footer style codes; the bits combine.
inline constexpr int GroupKeepWithDetail = 0x1; // never alone at a page's foot (nor the footer at a top)
inline constexpr int GroupKeepTogether = 0x2;   // start on a new page when the group fits on one

struct TextBox {
    int kind = ItemStaticBox;
    QString text;
    double fontSize = 0; // 0: the report's default size
    bool bold = false;
    bool italic = false;
    QColor color = Qt::black;
    double left = 0;
    double top = 0;
    double width = 0;  // 0: up to the section's right edge
    double height = 0; // 0: down to the section's bottom
    int dock = DockNone;
    int anchor = AnchorLeft | AnchorTop;
    int textAlign = AlignLeft | AlignMiddle;
    bool border = false;
};

struct Section {
    bool present = false;
    double height = 0;
    std::vector<TextBox> boxes;

    TextBox& AddTextBox(int kind) {
        present = true;
        boxes.push_back(TextBox{});
        boxes.back().kind = kind;
        return boxes.back();
    }
};

struct RowDescription {
    double height = 0.58;
    int style = CaptionsOnEveryPage;
};

struct Column {
    QString name;
    QString caption;
    QString field;
    double width = 1;
    int titleAlign = AlignCenter | AlignMiddle;
    int contentAlign = AlignLeft | AlignMiddle;
};

// A caption spanning several columns, printed above their own captions.
struct ColumnGroup {
    QString name;
    QString title;
    int textAlign = AlignCenter | AlignMiddle;
    QStringList columns; // column names, in order
};

struct GroupSection {
    double height = 0;
    int style = 0;
};

// Records are grouped by the value of a field: a new group starts where it changes.
struct Group {
    QString name;
    QString field;
    GroupSection header;
    GroupSection footer;
    bool pageBreakBefore = false; // every group but the first starts a page
};

struct DetailGrid {
    bool present = false;
    RowDescription titleRow{0.58, CaptionsOnEveryPage}; // the column captions
    RowDescription contentRow{0.58, 0};                 // one record
    bool shrinkToFit = false; // a cell text too wide shrinks its font; otherwise it is cut with "…"
    bool gridLines = true;
    // A column whose values are numbers (empty cells, padding and percentages allowed) is
    // right-aligned, whatever its own alignment, so that its values line up by their last digit.
    bool alignNumbersRight = false;
    std::vector<Column> columns;
    std::vector<ColumnGroup> columnGroups;
    std::vector<Group> groups; // outermost first

    Column& AddColumn(const QString& name, const QString& caption, const QString& field, double width) {
        present = true;
        columns.push_back(Column{name, caption, field, width});
        return columns.back();
    }
    Group& AddGroup(const QString& field) {
        present = true;
        groups.push_back(Group{field, field, {}, {}, false});
        return groups.back();
    }
    ColumnGroup& AddColumnGroup(const QString& name, const QString& title) {
        present = true;
        columnGroups.push_back(ColumnGroup{name, title, AlignCenter | AlignMiddle, {}});
        return columnGroups.back();
    }
};

struct PageSetup {
    double paperWidth = 21.0; // A4
    double paperHeight = 29.7;
    bool landscape = false;
    double leftMargin = 1.5;
    double topMargin = 1.5;
    double rightMargin = 1.5;
    double bottomMargin = 1.5;
};

// Labels: one label per record, laid out across and down the page.
struct LabelLayout {
    int columns = 0; // 0: as many as fit
    int rows = 0;    // 0: as many as fit
    double width = 9.0;
    double height = 5.0;
    double horizontalGap = 0.5;
    double verticalGap = 0.5;
    bool border = true;
    std::vector<TextBox> boxes; // positions within the label
};

struct FieldDef {
    QString name;
    int type = FieldString;
};

struct ReportDefinition {
    QString title;
    double fontSize = 9;
    PageSetup page;
    Section reportHeader; // once, before the first record
    Section pageHeader;   // at the top of every page
    Section pageFooter;   // at the foot of every page
    Section reportFooter; // once, after the last record
    DetailGrid detail;
    std::optional<LabelLayout> labels; // set: a label report (the detail table is not printed)
};

} // namespace report
