#include "platform/gdi/System.h"

#include <array>
#include <map>

namespace gdi {
namespace {

constexpr int kColourCount = 31;

// The classic Windows standard scheme.
constexpr std::array<COLORREF, kColourCount> kDefaultColours = {
    Rgb(212, 208, 200), // scroll bar
    Rgb(58, 110, 165),  // desktop
    Rgb(10, 36, 106),   // active caption
    Rgb(128, 128, 128), // inactive caption
    Rgb(212, 208, 200), // menu
    Rgb(255, 255, 255), // window
    Rgb(0, 0, 0),       // window frame
    Rgb(0, 0, 0),       // menu text
    Rgb(0, 0, 0),       // window text
    Rgb(255, 255, 255), // caption text
    Rgb(212, 208, 200), // active border
    Rgb(212, 208, 200), // inactive border
    Rgb(128, 128, 128), // application workspace
    Rgb(10, 36, 106),   // highlight
    Rgb(255, 255, 255), // highlight text
    Rgb(212, 208, 200), // 3-D face
    Rgb(128, 128, 128), // 3-D shadow
    Rgb(128, 128, 128), // grey text
    Rgb(0, 0, 0),       // button text
    Rgb(212, 208, 200), // inactive caption text
    Rgb(255, 255, 255), // 3-D highlight
    Rgb(64, 64, 64),    // 3-D dark shadow
    Rgb(212, 208, 200), // 3-D light
    Rgb(0, 0, 0),       // tooltip text
    Rgb(255, 255, 225), // tooltip background
    Rgb(181, 181, 181), // (unused slot)
    Rgb(0, 0, 128),     // hot light
    Rgb(166, 202, 240), // gradient active caption
    Rgb(192, 192, 192), // gradient inactive caption
    Rgb(10, 36, 106),   // menu highlight
    Rgb(212, 208, 200), // menu bar
};

std::array<COLORREF, kColourCount>& Colours() {
    static std::array<COLORREF, kColourCount> colours = kDefaultColours;
    return colours;
}

const std::map<int, int>& DefaultMetrics() {
    static const std::map<int, int> metrics = {
        {SM_CXSCREEN, 1024}, {SM_CYSCREEN, 768}, {SM_CXVSCROLL, 16},   {SM_CYHSCROLL, 16},
        {SM_CYCAPTION, 18},  {SM_CXBORDER, 1},   {SM_CYBORDER, 1},     {SM_CXDLGFRAME, 3},
        {SM_CYDLGFRAME, 3},  {SM_CYVTHUMB, 16},  {SM_CXHTHUMB, 16},    {SM_CXICON, 32},
        {SM_CYICON, 32},     {SM_CXCURSOR, 32},  {SM_CYCURSOR, 32},    {SM_CYMENU, 19},
        {SM_CYVSCROLL, 16},  {SM_CXHSCROLL, 16}, {SM_CXSIZE, 18},      {SM_CYSIZE, 18},
        {SM_CXFRAME, 4},     {SM_CYFRAME, 4},    {SM_CXDOUBLECLK, 4},  {SM_CYDOUBLECLK, 4},
        {SM_CXEDGE, 2},      {SM_CYEDGE, 2},     {SM_CXSMICON, 16},    {SM_CYSMICON, 16},
        {SM_CXDRAG, 4},      {SM_CYDRAG, 4},     {SM_CXMENUCHECK, 13}, {SM_CYMENUCHECK, 13},
    };
    return metrics;
}

std::map<int, int>& Metrics() {
    static std::map<int, int> metrics = DefaultMetrics();
    return metrics;
}

LOGFONT DefaultMessageFont() {
    LOGFONT lf;
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfFaceName = QStringLiteral("宋体");
    return lf;
}

LOGFONT& MessageFont() {
    static LOGFONT lf = DefaultMessageFont();
    return lf;
}

LOGFONT& MenuFont() {
    static LOGFONT lf = DefaultMessageFont();
    return lf;
}

unsigned g_wheelLines = 3;

} // namespace

COLORREF GetSysColor(int index) {
    if (index < 0 || index >= kColourCount)
        return 0;
    return Colours()[static_cast<std::size_t>(index)];
}

COLORREF SetSysColor(int index, COLORREF colour) {
    if (index < 0 || index >= kColourCount)
        return 0;
    COLORREF old = Colours()[static_cast<std::size_t>(index)];
    Colours()[static_cast<std::size_t>(index)] = colour;
    return old;
}

void ResetSysColors() {
    Colours() = kDefaultColours;
}

int GetSystemMetrics(int index) {
    auto it = Metrics().find(index);
    return it == Metrics().end() ? 0 : it->second;
}

int SetSystemMetrics(int index, int value) {
    int old = GetSystemMetrics(index);
    Metrics()[index] = value;
    return old;
}

void ResetSystemMetrics() {
    Metrics() = DefaultMetrics();
}

LOGFONT GetMessageFont() {
    return MessageFont();
}
void SetMessageFont(const LOGFONT& lf) {
    MessageFont() = lf;
}

LOGFONT GetMenuFont() {
    return MenuFont();
}
void SetMenuFont(const LOGFONT& lf) {
    MenuFont() = lf;
}

unsigned GetWheelScrollLines() {
    return g_wheelLines;
}
void SetWheelScrollLines(unsigned lines) {
    g_wheelLines = lines;
}

unsigned GetDoubleClickTime() {
    return 500;
}

int GetWindowsVersionCode() {
    return 7;
}

bool IsClassicThemeActive(const QString& themeValue) {
    static const QString kClassic = QStringLiteral("Windows Classic.theme");
    return themeValue.endsWith(kClassic, Qt::CaseInsensitive);
}

bool IsClassicThemeActive() {
    return false;
}

bool IsThemedLook() {
    return GetWindowsVersionCode() == 7 && !IsClassicThemeActive();
}

} // namespace gdi
