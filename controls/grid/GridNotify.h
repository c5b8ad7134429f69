#pragma once
// What a grid tells its owner (WM_NOTIFY, see Notify.h), the records it sends, and the
// cell state bits that the records and the cells share.

#include "controls/grid/CellRange.h"
#include "controls/grid/Notify.h"
#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"

#include <QString>

// Cell state bits.
inline constexpr unsigned GCS_FOCUSED = 0x0001;
inline constexpr unsigned GCS_SELECTED = 0x0002;
inline constexpr unsigned GCS_DROPHILITED = 0x0004;
inline constexpr unsigned GCS_READONLY = 0x0008;
inline constexpr unsigned GCS_FIXED = 0x0010;
inline constexpr unsigned GCS_FIXEDROW = 0x0020;
inline constexpr unsigned GCS_FIXEDCOL = 0x0040;
inline constexpr unsigned GCS_MODIFIED = 0x0080;

// Notification codes (NMHDR::code).
inline constexpr int NM_CLICK = -2;             // a left click on a cell ended
inline constexpr int NM_DBLCLK = -3;            // a cell was double-clicked
inline constexpr int NM_RCLICK = -5;            // right button released; (-1, -1) off the cells
inline constexpr int GVN_SELCHANGING = -100;    // focus or selection about to change
inline constexpr int GVN_SELCHANGED = -101;     // focus or selection changed
inline constexpr int GVN_BEGINLABELEDIT = -105; // an edit is about to begin; answer < 0 vetoes it
inline constexpr int GVN_ENDLABELEDIT = -106;   // an edit ended; answer < 0 puts the old text back
inline constexpr int GVN_BEGINDRAG = -109;      // a drag of the selection begins
inline constexpr int GVN_ODCACHEHINT = -113;    // virtual mode: these cells are about to be asked for
inline constexpr int GVN_GETDISPINFO = -150;    // virtual mode: fill in this cell

// GRIDITEM mask bits.
inline constexpr unsigned GVIF_TEXT = 0x0001;
inline constexpr unsigned GVIF_IMAGE = 0x0002;
inline constexpr unsigned GVIF_PARAM = 0x0004;
inline constexpr unsigned GVIF_STATE = 0x0008;
inline constexpr unsigned GVIF_BKCLR = 0x0010;
inline constexpr unsigned GVIF_FGCLR = 0x0020;
inline constexpr unsigned GVIF_FORMAT = 0x0040;
inline constexpr unsigned GVIF_FONT = 0x0080;
inline constexpr unsigned GVIF_MARGIN = 0x0100;
inline constexpr unsigned GVIF_ALL = 0x01FF;

struct NMGRIDCELL {
    NMHDR hdr;
    int row = -1;
    int col = -1;
};

struct GRIDITEM {
    int row = -1;
    int col = -1;
    unsigned mask = 0;
    unsigned nState = 0;
    unsigned nFormat = 0;
    int iImage = -1;
    gdi::COLORREF crBkClr = gdi::CLR_DEFAULT;
    gdi::COLORREF crFgClr = gdi::CLR_DEFAULT;
    LPARAM lParam = 0;
    gdi::LOGFONT lfFont;
    unsigned nMargin = 0;
    QString strText;
};

struct GRIDDISPINFO {
    NMHDR hdr;
    GRIDITEM item;
};

struct GRIDCACHEHINT {
    NMHDR hdr;
    CGridCellRange range;
};
