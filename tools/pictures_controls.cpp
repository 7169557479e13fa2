// Button faces, the icons of the maker's other programs and the application icon.
#include "tools/pictures_common.h"

#include <QPainter>

namespace vantrell::art {

namespace {

// A w x h picture at scale device pixels a pixel, as the window pictures are drawn.
QImage transparent(int w, int h, int scale = 1)
{
    QImage image(w * scale, h * scale, QImage::Format_ARGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

QImage button(int width, int scale)
{
    QImage image(width * scale, 21 * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter p(&image);
    drawButtonFace(p, QRect(0, 0, width, 21));
    return image;
}

// A sheet of paper with a soft shadow, the base of the document-like icons.
void drawSheet(QPainter &p, const QRectF &r, const QColor &paper)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawRoundedRect(r.translated(1.2, 1.6), 3.5, 3.5);
    p.setBrush(paper);
    p.setPen(QPen(QColor(150, 140, 125), 1));
    p.drawRoundedRect(r, 3.5, 3.5);
}

QImage wordSearchIcon(int scale)
{
    QImage image = transparent(48, 48, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawSheet(p, QRectF(4.5, 4.5, 38, 38), cream);
    static const char *rows[6] = {"KQWBEH", "RTLMPA", "SUDOKU", "NEXVZS", "PGIOFT", "YCAJLR"};
    const qreal pitch = 5.6;
    // The found words lie under a marker stroke and inside a pencil ring.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 196, 40, 150));
    p.drawRoundedRect(QRectF(7.3, 10 + 2 * pitch - 3.4, 34.4, 6.8), 3.4, 3.4);
    p.setPen(QPen(QColor(200, 60, 30), 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(10.5 + 5 * pitch - 3.3, 6.6, 6.6, 3 * pitch + 6.8), 3.3, 3.3);
    const QFont f = font(digitsFace, 32, QFont::Bold);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const QPointF c(10.5 + x * pitch, 10 + y * pitch);
            p.fillPath(glyphPath(f, QString(QChar(rows[y][x])), c, 3.8, 4.4), QColor(60, 50, 45));
        }
    return image;
}

QImage calendarIcon(int scale)
{
    QImage image = transparent(48, 48, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawSheet(p, QRectF(5.5, 7.5, 37, 36), Qt::white);
    QPainterPath header;
    header.addRoundedRect(QRectF(5.5, 7.5, 37, 12), 3.5, 3.5);
    header.addRect(QRectF(5.5, 13.5, 37, 6));
    p.fillPath(header.simplified(), QColor(176, 20, 20));
    // Rings of the binding.
    for (qreal x : {15.0, 33.0}) {
        p.setPen(QPen(QColor(90, 90, 96), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(x, 4.5), QPointF(x, 11));
    }
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col) {
            const QRectF day(9 + col * 6.3, 22.5 + row * 5, 4.6, 3.6);
            const bool marked = row == 2 && col == 3;
            p.setBrush(marked ? QColor(176, 20, 20) : QColor(196, 200, 208));
            p.drawRect(day);
        }
    p.setPen(QPen(QColor(176, 20, 20), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(29.2, 34.3), 5, 4.2);
    return image;
}

QImage tangramIcon(int scale)
{
    QImage image = transparent(48, 48, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The seven pieces of the square, on a unit square.
    struct Piece {
        QList<QPointF> corners;
        QColor colour;
    };
    const Piece pieces[] = {
        {{{0, 0}, {1, 0}, {0.5, 0.5}}, QColor(214, 48, 40)},
        {{{0, 0}, {0.5, 0.5}, {0, 1}}, QColor(40, 110, 200)},
        {{{1, 0.5}, {1, 1}, {0.5, 1}}, QColor(250, 180, 30)},
        {{{1, 0}, {1, 0.5}, {0.75, 0.25}}, QColor(130, 60, 170)},
        {{{0.5, 0.5}, {0.75, 0.25}, {1, 0.5}, {0.75, 0.75}}, QColor(60, 160, 70)},
        {{{0.5, 0.5}, {0.75, 0.75}, {0.25, 0.75}}, QColor(240, 110, 30)},
        {{{0.25, 0.75}, {0.75, 0.75}, {0.5, 1}, {0, 1}}, QColor(30, 160, 160)},
    };
    QTransform t;
    t.translate(24, 24);
    t.rotate(45);
    t.scale(30, 30);
    t.translate(-0.5, -0.5);
    p.setPen(QPen(Qt::white, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const Piece &piece : pieces) {
        p.setBrush(piece.colour);
        p.drawPolygon(t.map(QPolygonF(piece.corners)));
    }
    return image;
}

QImage solitaireIcon(int scale)
{
    QImage image = transparent(48, 48, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient wood(QPointF(0, 2), QPointF(48, 46));
    wood.setColorAt(0, QColor(205, 150, 90));
    wood.setColorAt(1, QColor(150, 95, 45));
    p.setBrush(wood);
    p.setPen(QPen(QColor(110, 66, 30), 1));
    p.drawEllipse(QRectF(1.5, 1.5, 45, 45));
    const qreal pitch = 5.8;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            if ((x < 2 || x > 4) && (y < 2 || y > 4))
                continue;
            const QPointF c(24 + (x - 3) * pitch, 24 + (y - 3) * pitch);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(96, 56, 24));
            p.drawEllipse(c, 1.5, 1.5);
            if (x == 3 && y == 3)
                continue; // the empty middle hole of the opening position
            QRadialGradient peg(c - QPointF(0.7, 0.8), 2.6);
            peg.setColorAt(0, QColor(255, 190, 180));
            peg.setColorAt(0.5, QColor(214, 40, 32));
            peg.setColorAt(1, QColor(120, 0, 0));
            p.setBrush(peg);
            p.drawEllipse(c, 2.3, 2.3);
        }
    return image;
}

// The application icon: a 3x3 block of the board on a cream tile, drawn for each size
// rather than scaled down, so small sizes keep crisp lines.
QImage appIcon(int size)
{
    QImage image = transparent(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 256.0, size / 256.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(QRectF(14, 18, 232, 232), 40, 40);
    QLinearGradient rim(QPointF(0, 8), QPointF(0, 244));
    rim.setColorAt(0, QColor(170, 20, 20));
    rim.setColorAt(1, QColor(100, 0, 0));
    p.setBrush(rim);
    p.drawRoundedRect(QRectF(8, 8, 236, 236), 40, 40);
    p.setBrush(cream);
    p.drawRoundedRect(QRectF(26, 26, 200, 200), 18, 18);

    const QRectF board(40, 40, 172, 172);
    const qreal c = board.width() / 3;
    p.setBrush(boardGrey);
    p.drawRect(board);
    // Three cells filled the way the game shows them: a red button, a blue button and a
    // plain digit on white; the rest hold their nine miniatures.
    const QFont bold = font(digitsFace, 64, QFont::Bold);
    auto cellRect = [&](int i) { return QRectF(board.left() + (i % 3) * c, board.top() + (i / 3) * c, c, c); };
    auto buttonCell = [&](int i, const QColor &light, const QColor &dark, const QString &digit) {
        const QRectF r = cellRect(i).adjusted(9, 9, -9, -9);
        QRadialGradient body(r.center(), r.width() / 2, r.center() - QPointF(r.width() * 0.16, r.width() * 0.2));
        body.setColorAt(0, light);
        body.setColorAt(1, dark);
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawEllipse(r);
        p.fillPath(glyphPath(bold, digit, r.center(), r.height() * 0.5), Qt::white);
    };
    p.fillRect(cellRect(0), Qt::white);
    p.fillPath(glyphPath(bold, QStringLiteral("1"), cellRect(0).center(), c * 0.62), Qt::black);
    buttonCell(4, QColor(255, 150, 140), QColor(184, 24, 20), QStringLiteral("5"));
    buttonCell(8, QColor(150, 190, 255), QColor(30, 70, 170), QStringLiteral("9"));
    p.fillRect(cellRect(6), Qt::white);
    p.fillPath(glyphPath(bold, QStringLiteral("7"), cellRect(6).center(), c * 0.62), QColor(112, 112, 112));
    const QFont serifBold = font(serif, 64, QFont::Bold);
    p.fillPath(glyphPath(serifBold, QStringLiteral("C"), cellRect(2).center(), c * 0.6), darkRed);
    // The miniatures of the empty cells only read at the larger sizes.
    for (int i : {1, 3, 5, 7}) {
        if (size < 128)
            break;
        const QRectF r = cellRect(i);
        for (int v = 0; v < 9; ++v) {
            const QPointF centre(r.left() + (v % 3 + 0.5) * c / 3, r.top() + (v / 3 + 0.5) * c / 3);
            p.fillPath(glyphPath(font(digitsFace, 64), QString::number(v + 1), centre, c * 0.17), QColor(120, 124, 134));
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(gridLine, 3));
    for (int a = 1; a < 3; ++a) {
        p.drawLine(QPointF(board.left() + a * c, board.top()), QPointF(board.left() + a * c, board.bottom()));
        p.drawLine(QPointF(board.left(), board.top() + a * c), QPointF(board.right(), board.top() + a * c));
    }
    p.setPen(QPen(blockLine, 6));
    p.drawRect(board);
    return image;
}

} // namespace

std::vector<Picture> controlPictures()
{
    std::vector<Picture> out;
    // The buttons and the program icons come at twice the size too, for dense screens.
    for (int scale : {1, 2}) {
        auto add = [&](const char *name, const QImage &image) {
            const QString file = QLatin1String(name);
            out.push_back({scale == 1 ? file : twiceSizeName(file), image});
        };
        add("button_small.png", button(89, scale));
        add("button_wide.png", button(185, scale));
        add("software_wortsuche.png", wordSearchIcon(scale));
        add("software_kalender.png", calendarIcon(scale));
        add("software_tangram.png", tangramIcon(scale));
        add("software_solitaer.png", solitaireIcon(scale));
    }
    out.push_back({QStringLiteral("app_icon.png"), appIcon(256)});
    out.push_back({QStringLiteral("app_icon_128.png"), appIcon(128)});
    out.push_back({QStringLiteral("app_icon_48.png"), appIcon(48)});
    return out;
}

} // namespace vantrell::art
