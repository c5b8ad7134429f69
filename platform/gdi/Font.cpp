#include "platform/gdi/Font.h"

#include "platform/gdi/System.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace gdi {
namespace {

// CJK families to fall back on, so that Chinese text never renders as boxes when a face exists.
const QStringList& CjkFallbacks() {
    static const QStringList families = {
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("AR PL UMing CN"),      QStringLiteral("Droid Sans Fallback"),
    };
    return families;
}

QStringList FamiliesFor(const QString& face) {
    const QString f = face.trimmed();
    const QString lower = f.toLower();
    QStringList out;
    if (!f.isEmpty())
        out << f;
    if (f == QStringLiteral("宋体") || f == QStringLiteral("新宋体") || lower == QStringLiteral("simsun") ||
        lower == QStringLiteral("nsimsun")) {
        out << QStringLiteral("SimSun") << QStringLiteral("NSimSun");
    } else if (f == QStringLiteral("黑体") || f == QStringLiteral("微软雅黑") ||
               lower == QStringLiteral("simhei") || lower == QStringLiteral("microsoft yahei")) {
        out << QStringLiteral("SimHei") << QStringLiteral("Microsoft YaHei");
    } else if (f.startsWith(QStringLiteral("楷体")) || lower.startsWith(QStringLiteral("kaiti"))) {
        out << QStringLiteral("KaiTi") << QStringLiteral("AR PL UKai CN");
    } else if (lower == QStringLiteral("times new roman") || lower == QStringLiteral("ms serif") ||
               lower == QStringLiteral("serif")) {
        out << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif");
        return out << CjkFallbacks();
    } else if (lower == QStringLiteral("courier new") || lower == QStringLiteral("courier") ||
               lower == QStringLiteral("fixedsys") || lower == QStringLiteral("terminal")) {
        out << QStringLiteral("Liberation Mono") << QStringLiteral("DejaVu Sans Mono");
        return out << CjkFallbacks();
    }
    out << CjkFallbacks();
    out << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans");
    return out;
}

QFont::Weight WeightOf(int lfWeight) {
    if (lfWeight <= 0)
        return QFont::Normal;
    return static_cast<QFont::Weight>(std::clamp(lfWeight, 100, 900));
}

int LogFontWeightOf(const QFont& f) {
    return std::clamp(static_cast<int>(f.weight()), 100, 900);
}

} // namespace

QFont ToQFont(const LOGFONT& lf, double pixelScale) {
    QFont font;
    font.setFamilies(FamiliesFor(lf.lfFaceName));
    font.setWeight(WeightOf(lf.lfWeight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if ((lf.lfPitchAndFamily & 0x03) == 1) // FIXED_PITCH
        font.setFixedPitch(true);

    const double scale = pixelScale > 0 ? pixelScale : 1.0;
    int em = 12;
    if (lf.lfHeight < 0) {
        em = static_cast<int>(std::lround(-lf.lfHeight * scale));
    } else if (lf.lfHeight > 0) {
        // A cell height: find the em size whose ascent + descent comes closest from below.
        const int cell = static_cast<int>(std::lround(lf.lfHeight * scale));
        QFont probe = font;
        probe.setPixelSize(100);
        const int probeHeight = std::max(1, QFontMetrics(probe).height());
        em = std::max(1, cell * 100 / probeHeight);
        for (int i = 0; i < 4; ++i) {
            probe.setPixelSize(em + 1);
            if (QFontMetrics(probe).height() > cell)
                break;
            ++em;
        }
    }
    font.setPixelSize(std::max(1, em));

    if (lf.lfWidth > 0) {
        const int natural = std::max(1, QFontMetrics(font).averageCharWidth());
        font.setStretch(
            std::clamp(static_cast<int>(std::lround(lf.lfWidth * scale * 100.0 / natural)), 1, 4000));
    }
    return font;
}

LOGFONT FromQFont(const QFont& font) {
    LOGFONT lf;
    int px = font.pixelSize();
    if (px <= 0)
        px = static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
    lf.lfHeight = -px;
    lf.lfWeight = LogFontWeightOf(font);
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = font.underline() ? 1 : 0;
    lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfFaceName = font.family().left(31);
    return lf;
}

TEXTMETRIC TextMetricsOf(const QFontMetrics& fm, const LOGFONT& lf) {
    TEXTMETRIC tm;
    tm.tmAscent = fm.ascent();
    tm.tmDescent = fm.descent();
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    const int em = lf.lfHeight < 0 ? -lf.lfHeight : tm.tmHeight;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
    tm.tmExternalLeading = std::max(0, fm.leading());
    tm.tmAveCharWidth = fm.averageCharWidth();
    tm.tmMaxCharWidth = fm.maxWidth();
    tm.tmWeight = lf.lfWeight > 0 ? lf.lfWeight : FW_NORMAL;
    tm.tmOverhang = 0;
    tm.tmItalic = lf.lfItalic;
    tm.tmUnderlined = lf.lfUnderline;
    tm.tmStruckOut = lf.lfStrikeOut;
    tm.tmCharSet = lf.lfCharSet;
    return tm;
}

struct Font::Impl {
    explicit Impl(const LOGFONT& l) : lf(l), font(ToQFont(l)), metrics(font) {}
    LOGFONT lf;
    QFont font;
    QFontMetrics metrics;
};

Font::Font() : m_impl(DefaultImpl()) {}
Font::Font(const LOGFONT& lf) : m_impl(std::make_shared<const Impl>(lf)) {}

const LOGFONT& Font::GetLogFont() const {
    return m_impl->lf;
}
const QFont& Font::GetQFont() const {
    return m_impl->font;
}
const QFontMetrics& Font::Metrics() const {
    return m_impl->metrics;
}
TEXTMETRIC Font::GetTextMetrics() const {
    return TextMetricsOf(m_impl->metrics, m_impl->lf);
}

// The default font is asked for on every new device context; realise it once per message font.
std::shared_ptr<const Font::Impl> Font::DefaultImpl() {
    static std::mutex mutex;
    static std::shared_ptr<const Font::Impl> cached;
    const LOGFONT lf = GetMessageFont();
    std::lock_guard lock(mutex);
    if (!cached || !(cached->lf == lf))
        cached = std::make_shared<const Font::Impl>(lf);
    return cached;
}

} // namespace gdi
