#pragma once
// A font that keeps its own LOGFONT and a text colour, is recreated whenever one attribute
// changes, and writes its whole description as one line of text and reads it back.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"

#include <QDialog>
#include <QFont>
#include <QString>

#include <cstdint>
#include <vector>

class QComboBox;
class QFontDialog;
class QWidget;

namespace gdi {
class Dc;
}

class CFontEx {
public:
    CFontEx();
    explicit CFontEx(const QString& faceName);
    explicit CFontEx(const gdi::LOGFONT& lf);
    // Takes the description of an existing font.
    explicit CFontEx(const QFont& font);
    virtual ~CFontEx();

    // Setters recreate the font and return the old value.
    int SetHeight(int height);
    int SetWidth(int width);
    int SetEscapement(int escapement);
    int SetOrientation(int orientation);
    int SetWeight(int weight);
    int SetPointSize(int points);
    std::uint8_t SetItalic(std::uint8_t on);
    std::uint8_t SetUnderline(std::uint8_t on);
    std::uint8_t SetStrikeOut(std::uint8_t on);
    std::uint8_t SetCharSet(std::uint8_t charSet);
    std::uint8_t SetOutPrecision(std::uint8_t precision);
    std::uint8_t SetClipPrecision(std::uint8_t precision);
    std::uint8_t SetQuality(std::uint8_t quality);
    std::uint8_t SetPitchAndFamily(std::uint8_t pitchAndFamily);
    // Weight 700 or 400; returns whether the old weight was bold (500 or more).
    bool SetBold(bool on);
    // Returns the new name.
    QString SetFaceName(const QString& name);
    // Returns the old name.
    QString SwapFaceName(const QString& name);
    void SetLogFont(const gdi::LOGFONT& lf);
    // One of the stock fonts (OEM_FIXED_FONT 10 … DEFAULT_GUI_FONT 17); false when there is none.
    bool SetStockFont(int index);

    int GetHeight() const { return m_lf.lfHeight; }
    int GetWidth() const { return m_lf.lfWidth; }
    int GetEscapement() const { return m_lf.lfEscapement; }
    int GetOrientation() const { return m_lf.lfOrientation; }
    int GetWeight() const { return m_lf.lfWeight; }
    std::uint8_t GetItalic() const { return m_lf.lfItalic; }
    std::uint8_t GetUnderline() const { return m_lf.lfUnderline; }
    std::uint8_t GetStrikeOut() const { return m_lf.lfStrikeOut; }
    std::uint8_t GetCharSet() const { return m_lf.lfCharSet; }
    std::uint8_t GetOutPrecision() const { return m_lf.lfOutPrecision; }
    std::uint8_t GetClipPrecision() const { return m_lf.lfClipPrecision; }
    std::uint8_t GetQuality() const { return m_lf.lfQuality; }
    std::uint8_t GetPitchAndFamily() const { return m_lf.lfPitchAndFamily; }
    QString GetFaceName() const { return m_lf.lfFaceName; }
    bool IsBold() const { return m_lf.lfWeight >= 500; }
    const gdi::LOGFONT& GetLogFont() const { return m_lf; }

    gdi::COLORREF GetColour() const { return m_colour; }
    void SetColour(gdi::COLORREF colour);
    // When set, every colour change is also made the text colour of this device context.
    void SetColourDC(gdi::Dc* dc) { m_colourDC = dc; }

    // "h,w,esc,orient,weight,italic,underline,strike,charset,out,clip,quality,pitch,face,colour".
    QString ToString() const;
    // Reads ToString's form back; returns the colour read.
    gdi::COLORREF FromString(const QString& text);

    // The font dialog (CFontColourDialog), started from `font` (or this font) and this font's
    // colour; true when the user chose one: the font and the colour are then taken.
    bool ChooseFont(const gdi::LOGFONT* font = nullptr, QWidget* parent = nullptr);

    // The created font.
    const QFont& GetQFont() const { return m_font; }
    operator const QFont&() const { return m_font; }
    gdi::Font GetGdiFont() const { return gdi::Font(m_lf); }

private:
    void Recreate();

    gdi::LOGFONT m_lf;
    gdi::COLORREF m_colour = 0;
    gdi::Dc* m_colourDC = nullptr;
    QFont m_font;
};

// Qt's font dialog with the text colour beside it: the sixteen standard colours, and the starting
// colour as "自定义" when it is none of them.
class CFontColourDialog : public QDialog {
public:
    CFontColourDialog(const QFont& font, gdi::COLORREF colour, QWidget* parent = nullptr);

    QFont SelectedFont() const;
    gdi::COLORREF SelectedColour() const;

    QFontDialog* FontDialog() const { return m_pFontDialog; }
    QComboBox* ColourBox() const { return m_pColourBox; }

    struct NamedColour {
        gdi::COLORREF colour;
        const char* name;
    };
    static const std::vector<NamedColour>& StandardColours();

private:
    QFontDialog* m_pFontDialog;
    QComboBox* m_pColourBox;
};
