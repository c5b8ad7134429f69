#include "controls/FontEx.h"

#include "platform/gdi/Dc.h"
#include "platform/gdi/System.h"

#include "platform/ui/ModalRunner.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

#include <cstdlib>

namespace {

constexpr int kFaceNameMax = 31;

gdi::LOGFONT DefaultLogFont() {
    gdi::LOGFONT lf;
    lf.lfHeight = -12;
    lf.lfWeight = gdi::FW_NORMAL;
    lf.lfCharSet = 0;
    lf.lfQuality = 2;         // PROOF_QUALITY
    lf.lfPitchAndFamily = 18; // VARIABLE_PITCH | FF_ROMAN
    lf.lfFaceName = QStringLiteral("Times New Roman");
    return lf;
}

// atoi/strtoul as the text form was read: leading blanks, an optional sign, digits; anything
// else ends the number.
long ParseLong(const QString& field) {
    return std::strtol(field.toLatin1().constData(), nullptr, 10);
}
unsigned long ParseUnsigned(const QString& field) {
    return std::strtoul(field.toLatin1().constData(), nullptr, 10);
}

template <typename T> T Exchange(T& field, T value) {
    const T old = field;
    field = value;
    return old;
}

} // namespace

CFontEx::CFontEx() : m_lf(DefaultLogFont()) {
    Recreate();
}

CFontEx::CFontEx(const QString& faceName) : m_lf(DefaultLogFont()) {
    m_lf.lfFaceName = faceName.left(kFaceNameMax);
    Recreate();
}

CFontEx::CFontEx(const gdi::LOGFONT& lf) : m_lf(lf) {
    Recreate();
}

CFontEx::CFontEx(const QFont& font) : m_lf(gdi::FromQFont(font)) {
    Recreate();
}

CFontEx::~CFontEx() = default;

void CFontEx::Recreate() {
    m_font = gdi::ToQFont(m_lf);
}

int CFontEx::SetHeight(int height) {
    const int old = Exchange(m_lf.lfHeight, height);
    Recreate();
    return old;
}

int CFontEx::SetWidth(int width) {
    const int old = Exchange(m_lf.lfWidth, width);
    Recreate();
    return old;
}

int CFontEx::SetEscapement(int escapement) {
    const int old = Exchange(m_lf.lfEscapement, escapement);
    Recreate();
    return old;
}

int CFontEx::SetOrientation(int orientation) {
    const int old = Exchange(m_lf.lfOrientation, orientation);
    Recreate();
    return old;
}

int CFontEx::SetWeight(int weight) {
    const int old = Exchange(m_lf.lfWeight, weight);
    Recreate();
    return old;
}

int CFontEx::SetPointSize(int points) {
    // Points to pixels at 96 dpi; the division truncates towards zero as the integer maths did.
    const int pixels = points * 4 / 3;
    return SetHeight(points > 0 ? -pixels : pixels);
}

std::uint8_t CFontEx::SetItalic(std::uint8_t on) {
    const auto old = Exchange(m_lf.lfItalic, on);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetUnderline(std::uint8_t on) {
    const auto old = Exchange(m_lf.lfUnderline, on);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetStrikeOut(std::uint8_t on) {
    const auto old = Exchange(m_lf.lfStrikeOut, on);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetCharSet(std::uint8_t charSet) {
    const auto old = Exchange(m_lf.lfCharSet, charSet);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetOutPrecision(std::uint8_t precision) {
    const auto old = Exchange(m_lf.lfOutPrecision, precision);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetClipPrecision(std::uint8_t precision) {
    const auto old = Exchange(m_lf.lfClipPrecision, precision);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetQuality(std::uint8_t quality) {
    const auto old = Exchange(m_lf.lfQuality, quality);
    Recreate();
    return old;
}

std::uint8_t CFontEx::SetPitchAndFamily(std::uint8_t pitchAndFamily) {
    const auto old = Exchange(m_lf.lfPitchAndFamily, pitchAndFamily);
    Recreate();
    return old;
}

bool CFontEx::SetBold(bool on) {
    const bool wasBold = IsBold();
    SetWeight(on ? gdi::FW_BOLD : gdi::FW_NORMAL);
    return wasBold;
}

QString CFontEx::SetFaceName(const QString& name) {
    m_lf.lfFaceName = name.left(kFaceNameMax);
    Recreate();
    return m_lf.lfFaceName;
}

QString CFontEx::SwapFaceName(const QString& name) {
    const QString old = m_lf.lfFaceName;
    SetFaceName(name);
    return old;
}

void CFontEx::SetLogFont(const gdi::LOGFONT& lf) {
    m_lf = lf;
    m_lf.lfFaceName = m_lf.lfFaceName.left(kFaceNameMax);
    Recreate();
}

bool CFontEx::SetStockFont(int index) {
    gdi::LOGFONT lf;
    switch (index) {
    case 10: // OEM_FIXED_FONT
        lf.lfHeight = 12, lf.lfWidth = 8, lf.lfWeight = gdi::FW_NORMAL, lf.lfCharSet = 255;
        lf.lfPitchAndFamily = 0x31, lf.lfFaceName = QStringLiteral("Terminal");
        break;
    case 11: // ANSI_FIXED_FONT
        lf.lfHeight = 12, lf.lfWidth = 9, lf.lfWeight = gdi::FW_NORMAL, lf.lfCharSet = 0;
        lf.lfPitchAndFamily = 0x31, lf.lfFaceName = QStringLiteral("Courier");
        break;
    case 12: // ANSI_VAR_FONT
        lf.lfHeight = 12, lf.lfWeight = gdi::FW_NORMAL, lf.lfCharSet = 0;
        lf.lfPitchAndFamily = 0x22, lf.lfFaceName = QStringLiteral("MS Sans Serif");
        break;
    case 13: // SYSTEM_FONT
    case 14: // DEVICE_DEFAULT_FONT
        lf.lfHeight = 16, lf.lfWeight = gdi::FW_BOLD, lf.lfCharSet = gdi::GB2312_CHARSET;
        lf.lfPitchAndFamily = 0x22, lf.lfFaceName = QStringLiteral("System");
        break;
    case 16: // SYSTEM_FIXED_FONT
        lf.lfHeight = 16, lf.lfWidth = 8, lf.lfWeight = gdi::FW_NORMAL, lf.lfCharSet = gdi::GB2312_CHARSET;
        lf.lfPitchAndFamily = 0x31, lf.lfFaceName = QStringLiteral("Fixedsys");
        break;
    case 17: // DEFAULT_GUI_FONT
        lf = gdi::GetMessageFont();
        break;
    default:
        return false;
    }
    SetLogFont(lf);
    return true;
}

void CFontEx::SetColour(gdi::COLORREF colour) {
    m_colour = colour;
    if (m_colourDC)
        m_colourDC->SetTextColor(colour);
}

QString CFontEx::ToString() const {
    return QString::asprintf("%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,", m_lf.lfHeight, m_lf.lfWidth,
                             m_lf.lfEscapement, m_lf.lfOrientation, m_lf.lfWeight, m_lf.lfItalic,
                             m_lf.lfUnderline, m_lf.lfStrikeOut, m_lf.lfCharSet, m_lf.lfOutPrecision,
                             m_lf.lfClipPrecision, m_lf.lfQuality, m_lf.lfPitchAndFamily) +
           m_lf.lfFaceName + QStringLiteral(",") + QString::number(m_colour);
}

gdi::COLORREF CFontEx::FromString(const QString& text) {
    qsizetype pos = 0;
    const auto field = [&]() {
        if (pos >= text.size())
            return QString();
        const qsizetype comma = text.indexOf(u',', pos);
        QString f = comma < 0 ? text.mid(pos) : text.mid(pos, comma - pos);
        pos = comma < 0 ? text.size() : comma + 1;
        return f;
    };
    const auto byte = [&]() { return static_cast<std::uint8_t>(ParseLong(field())); };
    m_lf.lfHeight = static_cast<int>(ParseLong(field()));
    m_lf.lfWidth = static_cast<int>(ParseLong(field()));
    m_lf.lfEscapement = static_cast<int>(ParseLong(field()));
    m_lf.lfOrientation = static_cast<int>(ParseLong(field()));
    m_lf.lfWeight = static_cast<int>(ParseLong(field()));
    m_lf.lfItalic = byte();
    m_lf.lfUnderline = byte();
    m_lf.lfStrikeOut = byte();
    m_lf.lfCharSet = byte();
    m_lf.lfOutPrecision = byte();
    m_lf.lfClipPrecision = byte();
    m_lf.lfQuality = byte();
    m_lf.lfPitchAndFamily = byte();
    m_lf.lfFaceName = field().left(kFaceNameMax);
    Recreate();
    const QString rest = pos < text.size() ? text.mid(pos) : QString();
    SetColour(static_cast<gdi::COLORREF>(ParseUnsigned(rest)));
    return m_colour;
}

bool CFontEx::ChooseFont(const gdi::LOGFONT* font, QWidget* parent) {
    const gdi::LOGFONT start = font ? *font : m_lf;
    CFontColourDialog dialog(gdi::ToQFont(start), m_colour, parent);
    if (ui::ExecDialog(dialog) != QDialog::Accepted)
        return false;
    gdi::LOGFONT lf = gdi::FromQFont(dialog.SelectedFont());
    lf.lfCharSet = start.lfCharSet;
    SetLogFont(lf);
    SetColour(dialog.SelectedColour());
    return true;
}

// ---- the font dialog with its colour

const std::vector<CFontColourDialog::NamedColour>& CFontColourDialog::StandardColours() {
    static const std::vector<NamedColour> colours{
        {gdi::Rgb(0, 0, 0), "黑色"},       {gdi::Rgb(128, 0, 0), "褐红色"},
        {gdi::Rgb(0, 128, 0), "绿色"},     {gdi::Rgb(128, 128, 0), "橄榄色"},
        {gdi::Rgb(0, 0, 128), "深蓝色"},   {gdi::Rgb(128, 0, 128), "紫色"},
        {gdi::Rgb(0, 128, 128), "深青色"}, {gdi::Rgb(128, 128, 128), "灰色"},
        {gdi::Rgb(192, 192, 192), "银色"}, {gdi::Rgb(255, 0, 0), "红色"},
        {gdi::Rgb(0, 255, 0), "鲜绿色"},   {gdi::Rgb(255, 255, 0), "黄色"},
        {gdi::Rgb(0, 0, 255), "蓝色"},     {gdi::Rgb(255, 0, 255), "紫红色"},
        {gdi::Rgb(0, 255, 255), "青色"},   {gdi::Rgb(255, 255, 255), "白色"},
    };
    return colours;
}

CFontColourDialog::CFontColourDialog(const QFont& font, gdi::COLORREF colour, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("字体"));
    // Qt's own dialog, as a part of this one: its buttons are ours.
    m_pFontDialog = new QFontDialog(font, this);
    m_pFontDialog->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_pFontDialog->setWindowFlags(Qt::Widget);
    // Escape or Enter inside the embedded dialog ends this one, not only the embedded part.
    connect(m_pFontDialog, &QDialog::accepted, this, &QDialog::accept);
    connect(m_pFontDialog, &QDialog::rejected, this, &QDialog::reject);

    m_pColourBox = new QComboBox(this);
    m_pColourBox->setObjectName(QStringLiteral("colour"));
    const auto add = [this](gdi::COLORREF c, const QString& name) {
        QPixmap swatch(16, 12);
        swatch.fill(gdi::ToQColor(c));
        m_pColourBox->addItem(QIcon(swatch), name, QVariant::fromValue(static_cast<uint>(c)));
    };
    int current = -1;
    for (const NamedColour& c : StandardColours()) {
        if (c.colour == colour)
            current = m_pColourBox->count();
        add(c.colour, QString::fromUtf8(c.name));
    }
    if (current < 0 && !gdi::IsSentinel(colour)) {
        current = m_pColourBox->count();
        add(colour, QStringLiteral("自定义"));
    }
    m_pColourBox->setCurrentIndex(std::max(0, current));

    auto* colourLabel = new QLabel(QStringLiteral("颜色(&C):"), this);
    colourLabel->setBuddy(m_pColourBox);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(m_pColourBox);
    colourRow->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pFontDialog);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
    m_pFontDialog->setVisible(true);
}

QFont CFontColourDialog::SelectedFont() const {
    return m_pFontDialog->currentFont();
}

gdi::COLORREF CFontColourDialog::SelectedColour() const {
    return static_cast<gdi::COLORREF>(m_pColourBox->currentData().toUInt());
}
