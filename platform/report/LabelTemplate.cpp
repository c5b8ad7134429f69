#include "platform/report/LabelTemplate.h"

#include "platform/db/FileGuard.h"
#include "platform/text/Gbk.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringConverter>

#include <cmath>

namespace report {

namespace {

class Parser {
public:
    std::optional<ReportTemplate> Run(const QString& text, QString* error) {
        const QStringList lines = text.split(QChar('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            m_line = i + 1;
            const QString line = lines[i].trimmed();
            if (line.isEmpty() || line.startsWith(QChar('#')) || line.startsWith(QChar(';')))
                continue;
            const bool ok = line.startsWith(QChar('[')) ? Section(line) : KeyValue(line);
            if (!ok) {
                if (error)
                    *error = QStringLiteral("第%1行：%2").arg(m_line).arg(m_error);
                return std::nullopt;
            }
        }
        if (!m_sawFormat)
            return Fail(error, QStringLiteral("缺少 [Report] 节的 Format = VeltoraReport 1"));
        if (!m_t.definition.labels)
            return Fail(error, QStringLiteral("缺少 [Label] 节"));
        return std::move(m_t);
    }

private:
    enum class Where { None, Report, Page, Fields, Label, PageHeader, PageFooter, Box };

    std::optional<ReportTemplate> Fail(QString* error, const QString& message) {
        if (error)
            *error = message;
        return std::nullopt;
    }

    bool Error(const QString& message) {
        m_error = message;
        return false;
    }

    bool Section(const QString& line) {
        if (!line.endsWith(QChar(']')))
            return Error(QStringLiteral("节名缺少“]”"));
        const QString name = line.mid(1, line.size() - 2).trimmed();
        if (name == QLatin1String("Report"))
            m_where = Where::Report;
        else if (name == QLatin1String("Page"))
            m_where = Where::Page;
        else if (name == QLatin1String("Fields"))
            m_where = Where::Fields;
        else if (name == QLatin1String("Label")) {
            m_where = m_container = Where::Label;
            if (!m_t.definition.labels)
                m_t.definition.labels.emplace();
        } else if (name == QLatin1String("PageHeader")) {
            m_where = m_container = Where::PageHeader;
            m_t.definition.pageHeader.present = true;
        } else if (name == QLatin1String("PageFooter")) {
            m_where = m_container = Where::PageFooter;
            m_t.definition.pageFooter.present = true;
        } else if (name == QLatin1String("Box")) {
            TextBox box;
            box.kind = ItemMemoBox;
            box.textAlign = AlignCenter | AlignMiddle;
            if (m_container == Where::Label)
                m_t.definition.labels->boxes.push_back(box);
            else if (m_container == Where::PageHeader)
                m_t.definition.pageHeader.boxes.push_back(box);
            else if (m_container == Where::PageFooter)
                m_t.definition.pageFooter.boxes.push_back(box);
            else
                return Error(QStringLiteral("[Box] 必须跟在 [Label]、[PageHeader] 或 [PageFooter] 之后"));
            m_where = Where::Box;
        } else
            return Error(QStringLiteral("未知的节 [%1]").arg(name));
        return true;
    }

    TextBox& CurrentBox() {
        if (m_container == Where::Label)
            return m_t.definition.labels->boxes.back();
        if (m_container == Where::PageHeader)
            return m_t.definition.pageHeader.boxes.back();
        return m_t.definition.pageFooter.boxes.back();
    }

    bool Number(const QString& v, double lo, double hi, double& out) {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok || !std::isfinite(d) || d < lo || d > hi)
            return Error(QStringLiteral("“%1”不是 %2 到 %3 之间的数").arg(v).arg(lo).arg(hi));
        out = d;
        return true;
    }

    bool Integer(const QString& v, int lo, int hi, int& out) {
        bool ok = false;
        const int n =
            v.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? v.mid(2).toInt(&ok, 16) : v.toInt(&ok);
        if (!ok || n < lo || n > hi)
            return Error(QStringLiteral("“%1”不是 %2 到 %3 之间的整数").arg(v).arg(lo).arg(hi));
        out = n;
        return true;
    }

    bool Bool(const QString& v, bool& out) {
        int n = 0;
        if (!Integer(v, 0, 1, n))
            return false;
        out = n != 0;
        return true;
    }

    static QString Unescape(const QString& v) {
        QString out;
        for (int i = 0; i < v.size(); ++i) {
            if (v[i] == QChar('\\') && i + 1 < v.size()) {
                const QChar c = v[++i];
                out += c == QChar('n') ? QChar('\n') : c == QChar('t') ? QChar('\t') : c;
            } else
                out += v[i];
        }
        return out;
    }

    bool KeyValue(const QString& line) {
        const int eq = line.indexOf(QChar('='));
        const QString key = (eq < 0 ? line : line.left(eq)).trimmed();
        const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        switch (m_where) {
        case Where::None:
            return Error(QStringLiteral("“%1”不在任何节中").arg(key));
        case Where::Report:
            return ReportKey(key, value);
        case Where::Page:
            return PageKey(key, value);
        case Where::Fields:
            return FieldKey(key, value, eq >= 0);
        case Where::Label:
            return LabelKey(key, value);
        case Where::PageHeader:
        case Where::PageFooter: {
            if (key != QLatin1String("Height"))
                return Unknown(key);
            auto& s = m_where == Where::PageHeader ? m_t.definition.pageHeader : m_t.definition.pageFooter;
            return Number(value, 0, 100, s.height);
        }
        case Where::Box:
            return BoxKey(CurrentBox(), key, value);
        }
        return false;
    }

    bool Unknown(const QString& key) { return Error(QStringLiteral("未知的键“%1”").arg(key)); }

    bool ReportKey(const QString& key, const QString& value) {
        ReportDefinition& d = m_t.definition;
        if (key == QLatin1String("Format")) {
            if (value.simplified() != QLatin1String("VeltoraReport 1"))
                return Error(QStringLiteral("不支持的模板格式“%1”").arg(value));
            m_sawFormat = true;
            return true;
        }
        if (key == QLatin1String("Title")) {
            d.title = Unescape(value);
            return true;
        }
        if (key == QLatin1String("FontSize"))
            return Number(value, 1, 200, d.fontSize);
        return Unknown(key);
    }

    bool PageKey(const QString& key, const QString& value) {
        PageSetup& p = m_t.definition.page;
        if (key == QLatin1String("Paper")) {
            static const struct {
                const char* name;
                double w, h;
            } known[] = {{"A4", 21.0, 29.7}, {"A3", 29.7, 42.0}, {"A5", 14.8, 21.0}, {"B5", 17.6, 25.0}};
            for (const auto& k : known)
                if (value.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) {
                    p.paperWidth = k.w;
                    p.paperHeight = k.h;
                    return true;
                }
            const QStringList wh = value.split(QRegularExpression(QStringLiteral("\\s*[xX×]\\s*")));
            if (wh.size() != 2)
                return Error(QStringLiteral("纸张“%1”应写作“宽 x 高”").arg(value));
            return Number(wh[0], 1, 200, p.paperWidth) && Number(wh[1], 1, 200, p.paperHeight);
        }
        if (key == QLatin1String("Orientation")) {
            if (value.compare(QLatin1String("Portrait"), Qt::CaseInsensitive) == 0)
                p.landscape = false;
            else if (value.compare(QLatin1String("Landscape"), Qt::CaseInsensitive) == 0)
                p.landscape = true;
            else
                return Error(QStringLiteral("方向“%1”应为 Portrait 或 Landscape").arg(value));
            return true;
        }
        if (key == QLatin1String("Margins")) {
            const QStringList m =
                value.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
            if (m.size() != 4)
                return Error(QStringLiteral("页边距应为四个数：左 上 右 下"));
            return Number(m[0], 0, 20, p.leftMargin) && Number(m[1], 0, 20, p.topMargin) &&
                   Number(m[2], 0, 20, p.rightMargin) && Number(m[3], 0, 20, p.bottomMargin);
        }
        return Unknown(key);
    }

    bool FieldKey(const QString& key, const QString& value, bool hasType) {
        static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (!name.match(key).hasMatch())
            return Error(QStringLiteral("字段名“%1”无效").arg(key));
        int type = FieldString;
        if (hasType && !Integer(value, 1, 3, type))
            return false;
        for (FieldDef& f : m_t.fields)
            if (f.name.compare(key, Qt::CaseInsensitive) == 0) {
                f.type = type;
                return true;
            }
        m_t.fields.push_back(FieldDef{key, type});
        return true;
    }

    bool LabelKey(const QString& key, const QString& value) {
        LabelLayout& l = *m_t.definition.labels;
        if (key == QLatin1String("Columns"))
            return Integer(value, 0, 50, l.columns);
        if (key == QLatin1String("Rows"))
            return Integer(value, 0, 100, l.rows);
        if (key == QLatin1String("Width"))
            return Number(value, 0.1, 200, l.width);
        if (key == QLatin1String("Height"))
            return Number(value, 0.1, 200, l.height);
        if (key == QLatin1String("HorizontalGap"))
            return Number(value, 0, 100, l.horizontalGap);
        if (key == QLatin1String("VerticalGap"))
            return Number(value, 0, 100, l.verticalGap);
        if (key == QLatin1String("Border"))
            return Bool(value, l.border);
        return Unknown(key);
    }

    bool BoxKey(TextBox& b, const QString& key, const QString& value) {
        if (key == QLatin1String("Text")) {
            b.text = Unescape(value);
            return true;
        }
        if (key == QLatin1String("Kind"))
            return Integer(value, 1, 8, b.kind);
        if (key == QLatin1String("Left"))
            return Number(value, -100, 200, b.left);
        if (key == QLatin1String("Top"))
            return Number(value, -100, 200, b.top);
        if (key == QLatin1String("Width"))
            return Number(value, 0, 200, b.width);
        if (key == QLatin1String("Height"))
            return Number(value, 0, 200, b.height);
        if (key == QLatin1String("FontSize"))
            return Number(value, 0, 200, b.fontSize);
        if (key == QLatin1String("Bold"))
            return Bool(value, b.bold);
        if (key == QLatin1String("Italic"))
            return Bool(value, b.italic);
        if (key == QLatin1String("Border"))
            return Bool(value, b.border);
        if (key == QLatin1String("Align"))
            return Integer(value, 0, 0xFF, b.textAlign);
        if (key == QLatin1String("Dock"))
            return Integer(value, 0, 5, b.dock);
        if (key == QLatin1String("Anchor"))
            return Integer(value, 0, 0xF, b.anchor);
        if (key == QLatin1String("Color")) {
            const QColor c = QColor::fromString(value);
            if (!c.isValid())
                return Error(QStringLiteral("颜色“%1”无效").arg(value));
            b.color = c;
            return true;
        }
        return Unknown(key);
    }

    ReportTemplate m_t;
    Where m_where = Where::None;
    Where m_container = Where::None;
    bool m_sawFormat = false;
    int m_line = 0;
    QString m_error;
};

QString Decode(const QByteArray& bytes) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    auto toUtf16 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = toUtf16(data);
    if (toUtf16.hasError())
        text = text::FromGbk(data);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

} // namespace

std::optional<ReportTemplate> ParseTemplate(const QByteArray& bytes, QString* error) {
    return Parser().Run(Decode(bytes), error);
}

std::optional<ReportTemplate> LoadTemplate(const QString& path, QString* error) {
    if (db::IsDatabaseFile(path, db::FileUse::kRead)) {
        if (error)
            *error = db::DatabaseFileRefusal();
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法打开模板文件 %1").arg(path);
        return std::nullopt;
    }
    // A template is a page of text; anything far larger is not one.
    constexpr qint64 kMaxSize = 1 << 20;
    if (file.size() > kMaxSize) {
        if (error)
            *error = QStringLiteral("模板文件过大");
        return std::nullopt;
    }
    return ParseTemplate(file.readAll(), error);
}

const QByteArray& DefaultLabelTemplateText() {
    static const QByteArray text =
        QByteArrayLiteral(R"(# Veltora report template: the desk labels of the exam rooms.
# One label per candidate, two across and five down an A4 page. Lengths in cm, font sizes in
# points; [#name#] prints the candidate's field: fld00 student number, fld01 class, fld02 name,
# fld05 room, fld06 exam number.

[Report]
Format = VeltoraReport 1
Title = 桌面标签
FontSize = 10

[Page]
Paper = A4
Orientation = Portrait
Margins = 1.0 1.0 1.0 1.0

[Fields]
fld00 = 1
fld01 = 1
fld02 = 1
fld05 = 1
fld06 = 1

[Label]
Columns = 2
Rows = 5
Width = 9.2
Height = 5.2
HorizontalGap = 0.6
VerticalGap = 0.4
Border = 1

[Box]
Text = 第[#fld05#]考场
Left = 0.4
Top = 0.3
Width = 4.2
Height = 0.8
FontSize = 12
Align = 0x21

[Box]
Text = [#fld01#]班
Left = 4.6
Top = 0.3
Width = 4.2
Height = 0.8
FontSize = 12
Align = 0x24

[Box]
Text = [#fld02#]
Left = 0.4
Top = 1.3
Width = 8.4
Height = 1.8
FontSize = 30
Bold = 1
Align = 0x22

[Box]
Text = 考号 [#fld06#]
Left = 0.4
Top = 3.2
Width = 8.4
Height = 1.0
FontSize = 18
Bold = 1
Align = 0x22

[Box]
Text = 学号 [#fld00#]
Left = 0.4
Top = 4.2
Width = 8.4
Height = 0.7
FontSize = 10
Align = 0x22
)");
    return text;
}

ReportTemplate DefaultLabelTemplate() {
    return *ParseTemplate(DefaultLabelTemplateText());
}

} // namespace report
