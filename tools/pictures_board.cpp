// The element strips of the board: ten 45x45 pictures side by side per list.
//
// Every element is drawn inside a square box: 33x33 at (6, 6) for a whole cell, and the
// same drawing at exactly a third of that size, 11x11, two pixels inside each 15x15
// sub-square for the miniatures of the empty cell. Shapes stay a little inside their box,
// because antialiasing spreads a fraction of a pixel. So the 2-px grid lines never touch
// an element, and the outer two pixels of every sub-square keep the plain background,
// which is what a mark square paints over them.
#include "tools/pictures_common.h"

#include "core/settings.h"

#include <QPainter>
#include <QtMath>

namespace vantrell::art {

namespace {

struct ButtonColours {
    QColor light, mid, dark, rim;
};

const ButtonColours redNormal{{255, 178, 172}, {235, 104, 98}, {200, 56, 52}, {168, 40, 38}};
const ButtonColours redFest{{216, 64, 58}, {168, 14, 12}, {118, 0, 0}, {84, 0, 0}};
const ButtonColours blueNormal{{186, 214, 255}, {104, 156, 236}, {58, 108, 204}, {44, 86, 170}};
const ButtonColours blueFest{{84, 128, 214}, {26, 66, 168}, {10, 34, 114}, {4, 20, 80}};

void drawButtonElement(QPainter &p, const QRectF &box, int k, const ButtonColours &c, bool miniature)
{
    const qreal s = box.width();
    const QPointF centre = box.center() - QPointF(0.015 * s, 0.02 * s);
    const qreal r = 0.45 * s;
    // Soft shadow to the lower right; it stays inside the box.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 38));
    p.drawEllipse(centre + QPointF(0.025 * s, 0.035 * s), r, r);

    QRadialGradient body(centre, r, centre - QPointF(0.35 * r, 0.4 * r));
    body.setColorAt(0.0, c.light);
    body.setColorAt(0.55, c.mid);
    body.setColorAt(1.0, c.dark);
    p.setBrush(body);
    p.setPen(QPen(c.rim, std::max(0.045 * s, 0.6)));
    p.drawEllipse(centre, r - 0.02 * s, r - 0.02 * s);

    if (!miniature) {
        // A faint gloss on the upper half.
        QLinearGradient gloss(centre - QPointF(0, r), centre);
        gloss.setColorAt(0.0, QColor(255, 255, 255, 110));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawEllipse(QRectF(centre.x() - 0.7 * r, centre.y() - 0.9 * r, 1.4 * r, 0.9 * r));
    }

    const QFont f = font(digitsFace, 64, QFont::Bold);
    const qreal height = miniature ? 0.56 * s : 0.48 * s;
    const QString digit = QString::number(k);
    if (!miniature)
        p.fillPath(glyphPath(f, digit, centre + QPointF(0.02 * s, 0.03 * s), height), QColor(0, 0, 0, 70));
    p.fillPath(glyphPath(f, digit, centre, height), Qt::white);
}

QPainterPath polygonPath(const QList<QPointF> &points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
    return path;
}

// A regular star or polygon around c: corners alternate between radii r1 and r2.
QList<QPointF> radial(QPointF c, int corners, qreal r1, qreal r2, qreal startDegrees)
{
    QList<QPointF> points;
    for (int i = 0; i < corners; ++i) {
        const qreal a = qDegreesToRadians(startDegrees + i * 360.0 / corners);
        const qreal r = i % 2 == 0 ? r1 : r2;
        points << c + QPointF(r * std::cos(a), r * std::sin(a));
    }
    return points;
}

QPainterPath diamond(QPointF c, qreal half)
{
    return polygonPath({c + QPointF(0, -half), c + QPointF(half, 0), c + QPointF(0, half), c + QPointF(-half, 0)});
}

QPainterPath symbolPath(int k, const QRectF &box)
{
    const qreal s = box.width();
    const QPointF c = box.center();
    const qreal h = 0.455 * s; // largest half-extent, leaving room for the edge line
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    switch (k) {
    case 1: // filled square
        path.addRect(QRectF(c.x() - 0.39 * s, c.y() - 0.39 * s, 0.78 * s, 0.78 * s));
        break;
    case 2: // ring
        path.addEllipse(c, 0.44 * s, 0.44 * s);
        path.addEllipse(c, 0.25 * s, 0.25 * s);
        break;
    case 3: { // pentagon, point up, centred on its height; its width decides the size
        const qreal r = h / 0.951;
        path = polygonPath(radial(c + QPointF(0, r * (1 - 0.809) / 2), 5, r, r, -90));
        break;
    }
    case 4: // diamond
        path = diamond(c, h);
        break;
    case 5: { // five-pointed star
        const qreal r = h / 0.951;
        path = polygonPath(radial(c + QPointF(0, r * (1 - 0.809) / 2), 10, r, 0.4 * r, -90));
        break;
    }
    case 6: // diamond outline
        path = diamond(c, h);
        path.addPath(diamond(c, h - 0.2 * s));
        break;
    case 7: // four-pointed star
        path = polygonPath(radial(c, 8, h, 0.16 * s, -90));
        break;
    case 8: // square outline
        path.addRect(QRectF(c.x() - 0.39 * s, c.y() - 0.39 * s, 0.78 * s, 0.78 * s));
        path.addRect(QRectF(c.x() - 0.25 * s, c.y() - 0.25 * s, 0.5 * s, 0.5 * s));
        break;
    default: // 9: disc
        path.addEllipse(c, 0.44 * s, 0.44 * s);
        break;
    }
    return path;
}

void drawSymbolElement(QPainter &p, const QRectF &box, int k, bool fest)
{
    const QColor light = fest ? QColor(176, 24, 20) : QColor(255, 178, 64);
    const QColor dark = fest ? QColor(112, 0, 0) : QColor(232, 116, 8);
    const QColor edge = fest ? QColor(80, 0, 0) : QColor(196, 88, 0);
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0.0, light);
    fill.setColorAt(1.0, dark);
    p.setBrush(fill);
    p.setPen(QPen(edge, std::max(0.04 * box.width(), 0.5), Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.drawPath(symbolPath(k, box));
}

void drawGlyphElement(QPainter &p, const QRectF &box, const QString &glyph, const QFont &f, qreal height,
                      const QColor &colour, qreal maxWidth = 0.94)
{
    p.fillPath(glyphPath(f, glyph, box.center(), height * box.width(), maxWidth * box.width()), colour);
}

void drawElement(QPainter &p, char set, bool fest, int k, const QRectF &box, bool miniature)
{
    switch (set) {
    case 'R':
        drawButtonElement(p, box, k, fest ? redFest : redNormal, miniature);
        break;
    case 'B':
        drawButtonElement(p, box, k, fest ? blueFest : blueNormal, miniature);
        break;
    case 'S':
        drawSymbolElement(p, box, k, fest);
        break;
    case 'K':
        if (miniature)
            drawGlyphElement(p, box, QString::number(k), font(digitsFace, 64), 0.84, gridLine);
        else if (fest)
            drawGlyphElement(p, box, QString::number(k), font(digitsFace, 64, QFont::Bold), 0.78, Qt::black);
        else
            drawGlyphElement(p, box, QString::number(k), font(digitsFace, 64), 0.78, QColor(112, 112, 112));
        break;
    default: // 'C': letters A..I
        // Letters are wider than digits: the miniatures stay narrower, so the letters of
        // neighbouring sub-squares do not run together.
        drawGlyphElement(p, box, QString(QChar('A' + k - 1)), font(serif, 64, fest ? QFont::Bold : QFont::Normal),
                         miniature ? 0.64 : 0.76, darkRed, miniature ? 0.7 : 0.94);
        break;
    }
}

// The same design at every scale: the painter scales the 45-px drawing.
QImage strip(char set, bool fest, int scale)
{
    const QColor ground = set == 'K' ? QColor(Qt::white) : boardGrey;
    QImage image(10 * kCellPixels * scale, kCellPixels * scale, QImage::Format_RGB32);
    image.fill(ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (scale != 1)
        p.scale(scale, scale);
    for (int v = 1; v <= 9; ++v) {
        const qreal sx = (v - 1) % 3, sy = (v - 1) / 3;
        drawElement(p, set, fest, v, QRectF(kMarkPixels * sx + 2, kMarkPixels * sy + 2, 11, 11), true);
        drawElement(p, set, fest, v, QRectF(v * kCellPixels + 6, 6, 33, 33), false);
    }
    return image;
}

} // namespace

std::vector<Picture> boardPictures()
{
    std::vector<Picture> out;
    for (int scale : {1, 2}) {
        auto named = [scale](const QString &name) { return scale == 1 ? name : twiceSizeName(name); };
        for (char set : {'R', 'B', 'S', 'K', 'C'}) {
            out.push_back({named(QString(QChar(set)) + QStringLiteral("normal.png")), strip(set, false, scale)});
            out.push_back({named(QString(QChar(set)) + QStringLiteral("fest.png")), strip(set, true, scale)});
        }
        QImage marks(2 * kMarkPixels * scale, kMarkPixels * scale, QImage::Format_RGB32);
        marks.fill(boardGrey);
        QPainter(&marks).fillRect(kMarkPixels * scale, 0, kMarkPixels * scale, kMarkPixels * scale, Qt::white);
        out.push_back({named(QStringLiteral("grauliste.png")), marks});
    }
    return out;
}

} // namespace vantrell::art
