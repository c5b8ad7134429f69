// Draws the main frame's artwork into the source tree (see CMakeLists.txt).

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr int kW = 16;
constexpr int kH = 15;

using Glyph = std::function<void(QPainter&)>;

QPen Pen(const QColor& c, qreal w = 1.0) {
    QPen p(c, w);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

const QColor kInk(40, 40, 60);
const QColor kPaper(250, 250, 240);
const QColor kBlue(40, 110, 200);
const QColor kGreen(40, 150, 70);
const QColor kRed(200, 50, 45);
const QColor kOrange(230, 140, 30);
const QColor kPurple(130, 70, 170);
const QColor kTeal(20, 140, 150);
const QColor kGold(215, 170, 30);
const QColor kGrey(120, 120, 130);

// ---- shapes shared by several images

void Sheet(QPainter& p, const QRectF& r = QRectF(2.5, 0.5, 10, 13.5)) {
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(r);
}

void Lines(QPainter& p, qreal x0, qreal x1, qreal y0, int n, qreal step, const QColor& c) {
    p.setPen(Pen(c));
    for (int i = 0; i < n; ++i)
        p.drawLine(QPointF(x0, y0 + i * step), QPointF(x1, y0 + i * step));
}

void Grid(QPainter& p, const QRectF& r, int cols, int rows, const QColor& head) {
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 0.5, r.height() / rows - 0.5), head);
    p.setPen(Pen(kGrey));
    for (int c = 1; c < cols; ++c) {
        const qreal x = r.left() + r.width() * c / cols;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (int k = 1; k < rows; ++k) {
        const qreal y = r.top() + r.height() * k / rows;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void Bars(QPainter& p, const QColor& c, std::initializer_list<int> heights, qreal x0 = 1.5) {
    p.setPen(Pen(kInk));
    p.drawLine(QPointF(1, 14), QPointF(15, 14));
    qreal x = x0;
    for (int h : heights) {
        p.setBrush(c);
        p.drawRect(QRectF(x, 14 - h, 3, h));
        x += 3.5;
    }
}

void Person(QPainter& p, qreal cx, qreal top, const QColor& c, qreal s = 1.0) {
    p.setPen(Pen(kInk));
    p.setBrush(QColor(250, 210, 170));
    p.drawEllipse(QPointF(cx, top + 2.2 * s), 2.2 * s, 2.2 * s);
    p.setBrush(c);
    QPainterPath body;
    body.moveTo(cx - 4 * s, top + 10 * s);
    body.quadTo(cx - 4 * s, top + 4.8 * s, cx, top + 4.8 * s);
    body.quadTo(cx + 4 * s, top + 4.8 * s, cx + 4 * s, top + 10 * s);
    body.closeSubpath();
    p.drawPath(body);
}

void Cylinder(QPainter& p, const QColor& c, qreal left = 2, qreal width = 10) {
    p.setPen(Pen(kInk));
    p.setBrush(c);
    QPainterPath path;
    path.moveTo(left, 3);
    path.lineTo(left, 12);
    path.arcTo(QRectF(left, 10, width, 4), 180, 180);
    path.lineTo(left + width, 3);
    p.drawPath(path);
    p.setBrush(c.lighter(140));
    p.drawEllipse(QRectF(left, 1, width, 4));
}

void Printer(QPainter& p, const QColor& c) {
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 0.5, 7, 5));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    Lines(p, 6, 10, 11.5, 2, 1.7, kGrey);
    p.fillRect(QRectF(12, 7, 1.5, 1.2), kGreen);
}

void Bell(QPainter& p, const QColor& c, qreal shift = 0, qreal width = 1.0) {
    QPainterPath path;
    path.moveTo(1, 13);
    for (int i = 0; i <= 28; ++i) {
        const qreal x = 1 + i * 0.5;
        const qreal t = (x - 8 - shift) / (2.6 * width);
        path.lineTo(x, 13 - 10 * std::exp(-t * t / 2 * 2.2));
    }
    p.setPen(Pen(c, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void Letter(QPainter& p, const QString& text, const QColor& c, int pixelSize,
            const QRectF& r = QRectF(0, 0, kW, kH), bool bold = true) {
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal w = 1.6) {
    p.setPen(Pen(c, w));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    const QPointF u(d.x() / len, d.y() / len);
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << to + u * 1.2 << to - u * 3 + n * 2.6 << to - u * 3 - n * 2.6;
    p.setBrush(c);
    p.setPen(Pen(c, 0.8));
    p.drawPolygon(head);
}

void Pencil(QPainter& p, const QPointF& tip, const QColor& c) {
    p.save();
    p.translate(tip);
    p.rotate(-45);
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(c);
    p.drawRect(QRectF(2.5, -1.6, 8, 3.2));
    p.setBrush(QColor(240, 200, 150));
    QPolygonF cone;
    cone << QPointF(0, 0) << QPointF(2.5, -1.6) << QPointF(2.5, 1.6);
    p.drawPolygon(cone);
    p.restore();
}

void Picture(QPainter& p) {
    p.setPen(Pen(kInk));
    p.setBrush(QColor(150, 200, 250));
    p.drawRect(QRectF(0.5, 1.5, 15, 12));
    p.setBrush(kGold);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(11, 5), 2, 2);
    p.setBrush(kGreen);
    QPolygonF hill;
    hill << QPointF(1, 13) << QPointF(5.5, 6) << QPointF(9, 10) << QPointF(11, 8) << QPointF(15, 13);
    p.drawPolygon(hill);
}

void Globe(QPainter& p) {
    QRadialGradient g(QPointF(6, 5), 8);
    g.setColorAt(0, QColor(150, 210, 255));
    g.setColorAt(1, kBlue);
    p.setPen(Pen(kInk));
    p.setBrush(g);
    p.drawEllipse(QPointF(8, 7.5), 6.5, 6.5);
    p.setPen(Pen(QColor(230, 245, 255), 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8, 7.5), 2.8, 6.5);
    p.drawLine(QPointF(1.5, 7.5), QPointF(14.5, 7.5));
    p.drawLine(QPointF(8, 1), QPointF(8, 14));
}

void Envelope(QPainter& p) {
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0.5, 2.5, 15, 10));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{QPointF(0.5, 2.5), QPointF(8, 8.5), QPointF(15.5, 2.5)});
    p.setPen(Pen(kRed));
    p.drawLine(QPointF(2, 11), QPointF(6, 8));
}

void Circle(QPainter& p, const QColor& c) {
    QRadialGradient g(QPointF(6, 5), 9);
    g.setColorAt(0, c.lighter(160));
    g.setColorAt(1, c);
    p.setPen(Pen(c.darker(150)));
    p.setBrush(g);
    p.drawEllipse(QPointF(8, 7.5), 6.8, 6.8);
}

void Door(QPainter& p) {
    p.setPen(Pen(kInk));
    p.setBrush(QColor(170, 110, 60));
    p.drawRect(QRectF(1.5, 0.5, 8, 14));
    p.setBrush(kGold);
    p.drawEllipse(QPointF(7.5, 8), 0.9, 0.9);
    Arrow(p, QPointF(8, 7.5), QPointF(14.5, 7.5), kRed, 1.8);
}

void Book(QPainter& p, const QColor& c) {
    p.setPen(Pen(kInk));
    p.setBrush(c);
    QPolygonF left;
    left << QPointF(0.5, 2.5) << QPointF(7.5, 3.5) << QPointF(7.5, 14) << QPointF(0.5, 13);
    QPolygonF right;
    right << QPointF(15.5, 2.5) << QPointF(8.5, 3.5) << QPointF(8.5, 14) << QPointF(15.5, 13);
    p.drawPolygon(left);
    p.drawPolygon(right);
    p.setPen(Pen(c.lighter(170)));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(2, 5.5 + 2.5 * i), QPointF(6, 6 + 2.5 * i));
        p.drawLine(QPointF(10, 6 + 2.5 * i), QPointF(14, 5.5 + 2.5 * i));
    }
}

void Clipboard(QPainter& p, const QColor& c) {
    p.setPen(Pen(kInk));
    p.setBrush(QColor(180, 130, 80));
    p.drawRoundedRect(QRectF(1.5, 1.5, 12, 13), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(3.5, 3.5, 8, 9.5));
    p.setBrush(kGrey);
    p.drawRect(QRectF(5, 0.5, 5, 2.5));
    p.setPen(Pen(c, 1.6));
    p.drawPolyline(QPolygonF{QPointF(4.8, 8), QPointF(6.8, 10.5), QPointF(10.5, 5)});
}

void Scale(QPainter& p) {
    p.setPen(Pen(kInk, 1.2));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 13));
    p.drawLine(QPointF(4, 13.5), QPointF(12, 13.5));
    p.drawLine(QPointF(2, 3.5), QPointF(14, 3.5));
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kGold);
    for (qreal cx : {3.5, 12.5}) {
        p.drawLine(QPointF(cx, 3.5), QPointF(cx - 2.5, 8.5));
        p.drawLine(QPointF(cx, 3.5), QPointF(cx + 2.5, 8.5));
        p.drawChord(QRectF(cx - 3, 6.5, 6, 4), 180 * 16, 180 * 16);
    }
}

void Gear(QPainter& p, const QPointF& c, qreal r, const QColor& colour) {
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a = M_PI * i / teeth;
        const qreal rr = i % 2 == 0 ? r : r * 0.72;
        const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(c, r * 0.3, r * 0.3);
    p.setPen(Pen(colour.darker(160), 0.8));
    p.setBrush(colour);
    p.drawPath(path);
}

void Magnifier(QPainter& p) {
    p.setPen(Pen(kInk, 1.2));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(6, 6), 4.5, 4.5);
    p.setPen(Pen(QColor(120, 70, 30), 2.6));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14));
}

void LineChart(QPainter& p, std::initializer_list<QPolygonF> series, std::initializer_list<QColor> colours) {
    p.setPen(Pen(kInk));
    p.drawLine(QPointF(1.5, 1), QPointF(1.5, 13.5));
    p.drawLine(QPointF(1.5, 13.5), QPointF(15, 13.5));
    auto colour = colours.begin();
    for (const QPolygonF& s : series) {
        p.setPen(Pen(*colour, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(s);
        ++colour;
    }
}

void Pie(QPainter& p, int spanDegrees, const QColor& c) {
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(7.5, 7.5), 6.5, 6.5);
    p.setBrush(c);
    p.drawPie(QRectF(1, 1, 13, 13), 90 * 16, -spanDegrees * 16);
}

void Moon(QPainter& p, qreal scale) {
    p.save();
    p.scale(scale, scale);
    QRadialGradient g(QPointF(6, 5), 9);
    g.setColorAt(0, QColor(255, 245, 170));
    g.setColorAt(1, kGold);
    QPainterPath moon;
    moon.addEllipse(QPointF(8, 7.5), 6.5, 6.5);
    QPainterPath bite;
    bite.addEllipse(QPointF(11, 5.5), 5.5, 5.5);
    p.setPen(Pen(kGold.darker(140), 0.8));
    p.setBrush(g);
    p.drawPath(moon.subtracted(bite));
    p.restore();
}

void Bulb(QPainter& p) {
    QRadialGradient g(QPointF(7, 5), 6);
    g.setColorAt(0, QColor(255, 255, 200));
    g.setColorAt(1, QColor(250, 210, 40));
    p.setPen(Pen(kInk, 0.9));
    p.setBrush(g);
    p.drawEllipse(QPointF(8, 5.8), 5, 5);
    p.setBrush(kGrey);
    p.drawRect(QRectF(5.5, 10, 5, 3.5));
    p.setPen(Pen(QColor(230, 230, 230), 0.7));
    p.drawLine(QPointF(5.5, 11.5), QPointF(10.5, 11.5));
}

void Circular(QPainter& p, const QColor& c) {
    p.setPen(Pen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 2, 12, 11), 30 * 16, 150 * 16);
    p.drawArc(QRectF(2, 2, 12, 11), 210 * 16, 150 * 16);
    p.setBrush(c);
    p.setPen(Pen(c, 0.6));
    p.drawPolygon(QPolygonF{QPointF(14.5, 1.5), QPointF(14.5, 6.5), QPointF(10, 4)});
    p.drawPolygon(QPolygonF{QPointF(1.5, 13.5), QPointF(1.5, 8.5), QPointF(6, 11)});
}

void Window(QPainter& p, bool statusBar) {
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0.5, 1.5, 15, 12));
    p.fillRect(QRectF(1, 2, 14.5, 2.5), kBlue);
    if (statusBar) {
        p.fillRect(QRectF(1, 11, 14.5, 2.5), kGrey);
    } else {
        for (int i = 0; i < 4; ++i)
            p.fillRect(QRectF(1.8 + i * 3.3, 5.3, 2.6, 2.6), i % 2 ? kOrange : kGreen);
    }
}

void RoomPencil(QPainter& p) {
    p.setPen(Pen(kInk));
    p.setBrush(QColor(235, 225, 200));
    p.drawRect(QRectF(0.5, 0.5, 12, 12));
    p.setBrush(QColor(160, 110, 60));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            p.drawRect(QRectF(1.8 + c * 3.7, 2 + r * 4.5, 2.5, 2.2));
    Pencil(p, QPointF(7, 14), kOrange);
}

// ---- the images by command id

std::map<int, Glyph> Glyphs() {
    std::map<int, Glyph> g;
    // Toolbar 128.
    g[57665] = Door;
    g[32772] = [](QPainter& p) { Book(p, kBlue); };
    g[32775] = [](QPainter& p) {
        Sheet(p, QRectF(5.5, 0.5, 10, 14));
        Lines(p, 9, 14, 3, 5, 2.4, kBlue);
        Person(p, 4.5, 4, kGreen, 0.9);
    };
    g[32778] = [](QPainter& p) { Clipboard(p, kGreen); };
    g[32781] = Scale;
    g[32779] = [](QPainter& p) {
        Grid(p, QRectF(0.5, 0.5, 12, 12), 3, 4, QColor(180, 210, 250));
        Pencil(p, QPointF(7, 14), kOrange);
    };
    g[32784] = [](QPainter& p) {
        Gear(p, QPointF(6, 6), 5.5, kGrey);
        Gear(p, QPointF(12, 11), 3.6, kOrange);
    };
    g[32794] = [](QPainter& p) { Letter(p, QStringLiteral("Σ"), kBlue, 15); };
    g[32791] = [](QPainter& p) {
        Sheet(p);
        Lines(p, 4.5, 10.5, 3, 5, 2.2, kInk);
        p.fillRect(QRectF(4.5, 2, 6, 1.5), kRed);
    };
    g[32789] = [](QPainter& p) { Bars(p, kBlue, {5, 9, 12, 7}); };
    g[32797] = [](QPainter& p) { Printer(p, kGrey); };
    g[32836] = [](QPainter& p) {
        Sheet(p, QRectF(4.5, 0.5, 11, 14));
        Lines(p, 7, 14, 3, 5, 2.4, kGrey);
        Magnifier(p);
    };
    g[32798] = Picture;
    g[32810] = Globe;
    g[32809] = Envelope;
    g[57664] = [](QPainter& p) {
        Circle(p, kBlue);
        Letter(p, QStringLiteral("i"), Qt::white, 11, QRectF(0, 0.5, kW, kH));
    };
    // Toolbar 177: the menu commands without a toolbar button.
    g[32842] = [](QPainter& p) {
        Cylinder(p, kTeal, 1, 9);
        Arrow(p, QPointF(12.5, 14), QPointF(12.5, 4), kGreen);
    };
    g[32856] = [](QPainter& p) {
        Cylinder(p, kGrey, 1, 9);
        p.setPen(Pen(kBlue, 1.4));
        p.drawLine(QPointF(10, 8), QPointF(15, 8));
        p.drawLine(QPointF(15, 3), QPointF(15, 13));
    };
    g[32771] = [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF{QPointF(1, 6), QPointF(8, 1), QPointF(15, 6)});
        p.setBrush(QColor(240, 220, 180));
        p.drawRect(QRectF(2.5, 6, 11, 8));
        p.setBrush(kBlue);
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(3.5 + i * 3.5, 8, 2, 2.5));
        p.setBrush(QColor(150, 90, 40));
        p.drawRect(QRectF(7, 11, 2, 3));
    };
    g[32773] = [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(kGold);
        QPolygonF tag;
        tag << QPointF(1, 4) << QPointF(10, 4) << QPointF(15, 8) << QPointF(10, 12) << QPointF(1, 12);
        p.drawPolygon(tag);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(10.5, 8), 1.2, 1.2);
        Lines(p, 2.5, 8, 6.5, 3, 1.8, kInk);
    };
    g[32774] = [](QPainter& p) {
        p.setPen(Pen(kRed, 2));
        p.drawLine(QPointF(5, 0.5), QPointF(7, 6));
        p.drawLine(QPointF(11, 0.5), QPointF(9, 6));
        QRadialGradient gr(QPointF(7, 8), 6);
        gr.setColorAt(0, QColor(255, 240, 150));
        gr.setColorAt(1, kGold);
        p.setPen(Pen(kGold.darker(150)));
        p.setBrush(gr);
        p.drawEllipse(QPointF(8, 9.5), 5, 5);
        Letter(p, QStringLiteral("A"), QColor(150, 90, 0), 8, QRectF(3, 5, 10, 9));
    };
    g[32799] = [](QPainter& p) {
        Picture(p);
        p.setPen(Pen(Qt::white, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 8, 8), 0, 270 * 16);
    };
    g[57606] = [](QPainter& p) {
        Printer(p, kGrey);
        Gear(p, QPointF(12, 11), 3.6, kOrange);
    };
    g[32855] = [](QPainter& p) {
        Person(p, 5, 1, kBlue, 0.95);
        Person(p, 11, 3, kGreen, 0.95);
        p.fillRect(QRectF(1, 12, 14, 2.5), kOrange);
    };
    g[32776] = [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(QColor(235, 225, 200));
        p.drawRect(QRectF(0.5, 0.5, 15, 14));
        p.setBrush(QColor(160, 110, 60));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.drawRect(QRectF(2 + c * 4.5, 2 + r * 4.3, 3, 2.5));
    };
    g[32840] = [](QPainter& p) {
        Grid(p, QRectF(0.5, 1.5, 12, 12), 3, 4, kRed);
        p.setPen(Pen(kGrey, 2.2));
        p.drawLine(QPointF(8, 8), QPointF(14.5, 14.5));
        p.setPen(Pen(kGrey, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8.5, 8.5), 2.5, 2.5);
    };
    g[32780] = [](QPainter& p) { Grid(p, QRectF(1.5, 0.5, 13, 14), 3, 5, QColor(180, 230, 180)); };
    g[32841] = RoomPencil;
    g[32850] = [](QPainter& p) {
        Grid(p, QRectF(5.5, 0.5, 10, 14), 2, 5, QColor(180, 210, 250));
        Arrow(p, QPointF(0.5, 7.5), QPointF(7, 7.5), kGreen);
        Letter(p, QStringLiteral("#"), kBlue, 8, QRectF(0, 0, 6, 6));
    };
    g[32849] = [](QPainter& p) {
        Grid(p, QRectF(5.5, 0.5, 10, 14), 2, 5, QColor(250, 210, 180));
        Arrow(p, QPointF(0.5, 10.5), QPointF(7, 10.5), kGreen);
        Person(p, 3, 0, kOrange, 0.6);
    };
    g[32837] = [](QPainter& p) {
        p.fillRect(QRectF(0, 1, 8, 13), kRed);
        p.fillRect(QRectF(8, 1, 8, 13), kBlue);
        Letter(p, QStringLiteral("文"), Qt::white, 8, QRectF(0, 1, 8, 13), false);
        Letter(p, QStringLiteral("理"), Qt::white, 8, QRectF(8, 1, 8, 13), false);
    };
    g[32783] = [](QPainter& p) { Bars(p, kGreen, {6, 10, 8, 12}); };
    g[32782] = [](QPainter& p) { Bars(p, kOrange, {11, 6, 9, 4}); };
    g[32857] = [](QPainter& p) { Bars(p, kPurple, {4, 8, 12, 9}); };
    g[32845] = [](QPainter& p) {
        Bars(p, kBlue, {4, 7, 10}, 1.5);
        p.setPen(Pen(kGold.darker(140), 0.7));
        p.setBrush(kGold);
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal a = -M_PI / 2 + M_PI * i / 5;
            const qreal r = i % 2 ? 1.9 : 4.2;
            star << QPointF(11.5 + r * std::cos(a), 4.5 + r * std::sin(a));
        }
        p.drawPolygon(star);
    };
    g[32848] = [](QPainter& p) {
        Bars(p, QColor(200, 200, 220), {4, 8, 5, 3});
        Bell(p, kRed);
    };
    g[32843] = [](QPainter& p) { Pie(p, 110, kRed); };
    g[32844] = [](QPainter& p) { Pie(p, 250, kGreen); };
    g[32792] = [](QPainter& p) {
        Circle(p, kTeal);
        Letter(p, QStringLiteral("Z"), Qt::white, 10);
    };
    g[32793] = [](QPainter& p) {
        Circle(p, kPurple);
        Letter(p, QStringLiteral("T"), Qt::white, 10);
    };
    g[32818] = [](QPainter& p) {
        Bell(p, kBlue);
        Arrow(p, QPointF(1, 3), QPointF(5, 3), kOrange, 1.2);
        Arrow(p, QPointF(15, 3), QPointF(11, 3), kOrange, 1.2);
    };
    g[32834] = [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(kPaper);
        for (int i = 0; i < 3; ++i) {
            p.drawRect(QRectF(0.5, 0.5 + i * 5, 15, 3.5));
            p.setPen(Pen(kBlue));
            p.drawLine(QPointF(2, 2.3 + i * 5), QPointF(9, 2.3 + i * 5));
            p.setPen(Pen(kInk));
        }
    };
    g[32820] = [](QPainter& p) { Printer(p, kBlue); };
    const Glyph trackChart = [](QPainter& p) {
        LineChart(p, {QPolygonF{QPointF(2, 11), QPointF(6, 7), QPointF(9, 9), QPointF(14, 3)}}, {kRed});
        Person(p, 11.5, 6.5, kGreen, 0.75);
    };
    g[32825] = trackChart;
    g[32821] = trackChart;
    const Glyph trackTable = [](QPainter& p) {
        Grid(p, QRectF(0.5, 0.5, 13, 11), 3, 4, QColor(180, 210, 250));
        Person(p, 12, 6.5, kOrange, 0.75);
    };
    g[32830] = trackTable;
    g[32831] = trackTable;
    const Glyph classTrack = [](QPainter& p) {
        LineChart(p,
                  {QPolygonF{QPointF(2, 10), QPointF(6, 6), QPointF(10, 8), QPointF(14.5, 3)},
                   QPolygonF{QPointF(2, 12), QPointF(6, 10), QPointF(10, 11), QPointF(14.5, 7)}},
                  {kRed, kBlue});
    };
    g[32826] = classTrack;
    g[32822] = classTrack;
    const Glyph teachEval = [](QPainter& p) {
        p.setPen(Pen(QColor(120, 80, 40)));
        p.setBrush(QColor(40, 90, 60));
        p.drawRect(QRectF(0.5, 0.5, 11, 8));
        p.setPen(Pen(Qt::white, 0.9));
        p.drawLine(QPointF(2, 3), QPointF(7, 3));
        p.drawLine(QPointF(2, 5.5), QPointF(9, 5.5));
        p.setPen(Pen(kInk, 0.8));
        p.setBrush(kRed);
        p.drawEllipse(QPointF(11.5, 11), 3.6, 3.3);
        p.setPen(Pen(kGreen, 1.2));
        p.drawLine(QPointF(11.5, 7.8), QPointF(13, 6));
    };
    g[32854] = teachEval;
    g[32853] = teachEval;
    g[32827] = [](QPainter& p) { Moon(p, 1.0); };
    g[32847] = [](QPainter& p) {
        Bars(p, kGreen, {5, 10, 7, 12});
        p.setPen(Pen(kRed, 1.3));
        p.drawLine(QPointF(0.5, 6.5), QPointF(15.5, 6.5));
    };
    g[32852] = [](QPainter& p) {
        Bars(p, QColor(180, 200, 240), {3, 8, 10, 4});
        Bell(p, kPurple);
    };
    g[32851] = [](QPainter& p) {
        Bell(p, kBlue, -2.2, 0.8);
        Bell(p, kRed, 2.2, 0.8);
    };
    g[59392] = [](QPainter& p) { Window(p, false); };
    g[59393] = [](QPainter& p) { Window(p, true); };
    g[32807] = [](QPainter& p) {
        p.setPen(Pen(kOrange.darker(140), 0.8));
        p.setBrush(kGold);
        p.drawPolygon(QPolygonF{QPointF(10, 0.5), QPointF(3, 8.5), QPointF(7.5, 8.5), QPointF(5.5, 14.5),
                                QPointF(13, 6), QPointF(8.5, 6)});
    };
    g[1027] = [](QPainter& p) {
        Book(p, kTeal);
        p.fillRect(QRectF(4, 3, 8, 9), QColor(255, 255, 255, 0));
        Letter(p, QStringLiteral("?"), kRed, 11, QRectF(3, 0, 10, 14));
    };
    g[104] = Bulb;
    g[32808] = [](QPainter& p) { Circular(p, kGreen); };
    return g;
}

QImage Strip(const QString& listPath, const std::map<int, Glyph>& glyphs) {
    QFile f(listPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    std::vector<int> ids;
    bool haveSize = false;
    for (QString line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (!haveSize) {
            haveSize = true;
            continue;
        }
        if (const int id = line.toInt(); id != 0)
            ids.push_back(id);
    }
    QImage strip(kW * static_cast<int>(ids.size()), kH, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        p.save();
        p.translate(static_cast<int>(i) * kW, 0);
        p.setClipRect(0, 0, kW, kH);
        if (const auto it = glyphs.find(ids[i]); it != glyphs.end())
            it->second(p);
        else
            std::fprintf(stderr, "no image for command %d\n", ids[i]);
        p.restore();
    }
    return strip;
}

// ---- backgrounds

void Clouds(QPainter& p, const QRectF& area, int count, QRandomGenerator& rng, const QColor& c) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const qreal cx = area.left() + rng.bounded(area.width());
        const qreal cy = area.top() + rng.bounded(area.height());
        const qreal w = 120 + rng.bounded(220.0);
        for (int k = 0; k < 7; ++k) {
            const qreal r = w / 5 + rng.bounded(w / 6);
            QRadialGradient g(QPointF(cx + (k - 3) * w / 8, cy + rng.bounded(20.0) - 10), r);
            QColor inner = c;
            inner.setAlpha(110);
            QColor outer = c;
            outer.setAlpha(0);
            g.setColorAt(0, inner);
            g.setColorAt(1, outer);
            p.setBrush(g);
            p.drawEllipse(g.center(), r, r);
        }
    }
}

QPainterPath Ridge(qreal w, qreal base, qreal amplitude, qreal phase, qreal freq, qreal height) {
    QPainterPath path;
    path.moveTo(0, height);
    for (int x = 0; x <= w; x += 8) {
        const qreal t = x / w;
        const qreal y = base - amplitude * (0.6 * std::sin(t * freq * 6.283 + phase) +
                                            0.3 * std::sin(t * freq * 15.7 + phase * 2.1) +
                                            0.1 * std::sin(t * freq * 37.0 + phase * 3.7));
        path.lineTo(x, y);
    }
    path.lineTo(w, height);
    path.closeSubpath();
    return path;
}

void Sail(QPainter& p, QPointF at, qreal s, const QColor& sail) {
    p.save();
    p.translate(at);
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 50, 40));
    QPolygonF hull;
    hull << QPointF(-30, 0) << QPointF(30, 0) << QPointF(22, 10) << QPointF(-22, 10);
    p.drawPolygon(hull);
    p.setBrush(sail);
    p.drawPolygon(QPolygonF{QPointF(0, -70), QPointF(0, -4), QPointF(-26, -4)});
    p.setBrush(sail.darker(110));
    p.drawPolygon(QPolygonF{QPointF(3, -62), QPointF(3, -4), QPointF(24, -4)});
    p.restore();
}

QImage Background(int which, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    QRandomGenerator rng(1000 + which);
    switch (which) {
    case 0: { // clouds and sails over a calm sea
        QLinearGradient sky(0, 0, 0, h * 0.62);
        sky.setColorAt(0, QColor(30, 90, 170));
        sky.setColorAt(1, QColor(180, 215, 240));
        p.fillRect(QRectF(0, 0, w, h * 0.62), sky);
        Clouds(p, QRectF(0, h * 0.05, w, h * 0.35), 9, rng, Qt::white);
        QLinearGradient sea(0, h * 0.62, 0, h);
        sea.setColorAt(0, QColor(60, 140, 190));
        sea.setColorAt(1, QColor(10, 50, 100));
        p.fillRect(QRectF(0, h * 0.62, w, h * 0.38), sea);
        p.setPen(QPen(QColor(255, 255, 255, 60), 2));
        for (int i = 0; i < 140; ++i) {
            const qreal y = h * 0.63 + std::pow(rng.bounded(1.0), 1.6) * h * 0.36;
            const qreal x = rng.bounded(w);
            const qreal len = 10 + (y - h * 0.6) / 6;
            p.drawLine(QPointF(x, y), QPointF(x + len, y));
        }
        Sail(p, QPointF(w * 0.68, h * 0.66), 1.6, QColor(250, 245, 230));
        Sail(p, QPointF(w * 0.82, h * 0.64), 0.9, QColor(240, 220, 200));
        Sail(p, QPointF(w * 0.3, h * 0.635), 0.6, QColor(250, 250, 250));
        QFont f(QStringLiteral("WenQuanYi Micro Hei"));
        f.setPixelSize(static_cast<int>(h * 0.075));
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(255, 255, 255, 210));
        p.drawText(QRectF(w * 0.06, h * 0.1, w * 0.8, h * 0.12), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Veltora 成绩分析系统"));
        break;
    }
    case 1: { // green hills at dawn
        QLinearGradient sky(0, 0, 0, h);
        sky.setColorAt(0, QColor(250, 200, 150));
        sky.setColorAt(0.5, QColor(255, 235, 200));
        sky.setColorAt(1, QColor(255, 250, 230));
        p.fillRect(img.rect(), sky);
        QRadialGradient sun(QPointF(w * 0.7, h * 0.42), h * 0.35);
        sun.setColorAt(0, QColor(255, 250, 210));
        sun.setColorAt(0.15, QColor(255, 230, 150, 230));
        sun.setColorAt(1, QColor(255, 200, 120, 0));
        p.fillRect(img.rect(), sun);
        const QColor hills[] = {QColor(150, 190, 120), QColor(100, 160, 90), QColor(60, 130, 70),
                                QColor(35, 95, 55)};
        for (int i = 0; i < 4; ++i)
            p.fillPath(Ridge(w, h * (0.5 + 0.11 * i), h * (0.09 - 0.012 * i), i * 1.7, 1.2 + 0.4 * i, h),
                       hills[i]);
        break;
    }
    case 2: { // a night of stars over the mountains
        QLinearGradient sky(0, 0, 0, h);
        sky.setColorAt(0, QColor(5, 10, 35));
        sky.setColorAt(0.7, QColor(30, 50, 100));
        sky.setColorAt(1, QColor(60, 80, 130));
        p.fillRect(img.rect(), sky);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 600; ++i) {
            const qreal r = rng.bounded(1.0) < 0.93 ? 0.8 : 1.8;
            p.setBrush(QColor(255, 255, 240, 90 + rng.bounded(160)));
            p.drawEllipse(QPointF(rng.bounded(w), rng.bounded(h * 0.7)), r, r);
        }
        QRadialGradient halo(QPointF(w * 0.22, h * 0.22), h * 0.2);
        halo.setColorAt(0, QColor(255, 250, 220, 120));
        halo.setColorAt(1, QColor(255, 250, 220, 0));
        p.fillRect(img.rect(), halo);
        p.setBrush(QColor(250, 245, 215));
        QPainterPath moon;
        moon.addEllipse(QPointF(w * 0.22, h * 0.22), h * 0.06, h * 0.06);
        QPainterPath bite;
        bite.addEllipse(QPointF(w * 0.22 + h * 0.03, h * 0.2), h * 0.055, h * 0.055);
        p.drawPath(moon.subtracted(bite));
        p.fillPath(Ridge(w, h * 0.72, h * 0.14, 0.4, 1.4, h), QColor(25, 35, 70));
        p.fillPath(Ridge(w, h * 0.84, h * 0.08, 2.3, 2.1, h), QColor(12, 18, 40));
        break;
    }
    default: { // soft circles of light
        QLinearGradient base(0, 0, w, h);
        base.setColorAt(0, QColor(90, 40, 120));
        base.setColorAt(0.5, QColor(200, 80, 110));
        base.setColorAt(1, QColor(250, 170, 90));
        p.fillRect(img.rect(), base);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 70; ++i) {
            const qreal r = 20 + rng.bounded(110.0);
            const QPointF c(rng.bounded(w), rng.bounded(h));
            QRadialGradient g(c, r);
            g.setColorAt(0, QColor(255, 255, 255, 25 + rng.bounded(50)));
            g.setColorAt(0.8, QColor(255, 240, 220, 20));
            g.setColorAt(1, QColor(255, 255, 255, 0));
            p.setBrush(g);
            p.drawEllipse(c, r, r);
        }
        break;
    }
    }
    return img;
}

bool Save(const QImage& image, const QString& path, const char* format, int quality = -1) {
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, format, quality)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shellart <source tree>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const auto glyphs = Glyphs();
    bool ok = true;
    for (const int toolbar : {128, 177}) {
        const QImage strip = Strip(root.filePath(QStringLiteral("res/toolbars/%1.txt").arg(toolbar)), glyphs);
        ok = !strip.isNull() &&
             Save(strip, root.filePath(QStringLiteral("res/toolbars/%1.png").arg(toolbar)), "PNG") && ok;
    }
    for (int i = 0; i < 4; ++i)
        ok = Save(Background(i, QSize(1440, 900)),
                  root.filePath(QStringLiteral("platform/drensil/pictures/jpg/%1.jpg").arg(150 + i)), "JPG",
                  88) &&
             ok;
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(25, 40, 90));
        p.drawRoundedRect(QRectF(0, 0, 32, 32), 6, 6);
        p.translate(0, 1);
        Moon(p, 2.0);
    }
    ok = Save(icon, root.filePath(QStringLiteral("platform/drensil/pictures/icon/238.png")), "PNG") && ok;
    return ok ? 0 : 1;
}
