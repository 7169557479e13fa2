#include "play/board_renderer.h"

#include "play/raster.h"
#include "resources/pictures.h"

#include <QPainter>

namespace vantrell {
namespace {

const PictureList *listNamed(const QObject &owner, char letter, const char *kind)
{
    return owner.findChild<const PictureList *>(QString(QLatin1Char(letter)) + QLatin1String(kind));
}

void drawLines(QPainter &picture, std::int32_t spielart, int n, int pictureWidth)
{
    const int side = 45 * n;
    for (int a = 0; a <= n; ++a) {
        drawVerticalLine(picture, 45 * a, 0, side, 2, kCellLineColour);
        drawHorizontalLine(picture, 45 * a, -1, side, 2, kCellLineColour);
    }
    if (spielart == 1) {
        for (int a = 0; a <= 3; ++a) {
            drawVerticalLine(picture, 135 * a, 0, side, 2, kBlockLineColour);
            drawHorizontalLine(picture, 135 * a, -1, pictureWidth, 2, kBlockLineColour);
        }
    } else {
        for (int c : {0, side}) {
            drawVerticalLine(picture, c, 0, side, 2, kBlockLineColour);
            drawHorizontalLine(picture, c, -1, pictureWidth, 2, kBlockLineColour);
        }
    }
}

} // namespace

void prepareBoard(BoardCanvas &board, std::int32_t spielart, int n)
{
    const int pictureSide = spielart >= 3 ? spielart * 45 : 405;
    board.picture = resizedPicture(board.picture, pictureSide, pictureSide);
    const int side = 45 * n;
    QPainter p(&board.picture);
    p.fillRect(QRect(0, 0, side, side), board.brush);
    // The frame lies on the picture's edges, so only its inner half is inside.
    for (int c : {0, side}) {
        drawVerticalLine(p, c, 0, side, 2, kBlockLineColour);
        drawHorizontalLine(p, c, 0, board.picture.width(), 2, kBlockLineColour);
    }
}

void Ausgabe(BoardCanvas &board, const GameState &state, const QObject &listOwner, BoardBitmaps &bitmaps,
             int x1, int x2, int y1, int y2)
{
    const int n = qBound(0, state.groesse, kMaxSide);
    const char letter = state.elemente;
    if (const PictureList *marks = listOwner.findChild<const PictureList *>(QStringLiteral("grauliste")))
        marks->copyTo(letter == 'K' ? 1 : 0, bitmaps.markenbild);

    const PictureList *normal = listNamed(listOwner, letter, "normal");
    const PictureList *fest = listNamed(listOwner, letter, "fest");
    QPainter p(&board.picture);
    for (int x = qMax(x1, 1); x <= qMin(x2, n); ++x) {
        for (int y = qMax(y1, 1); y <= qMin(y2, n); ++y) {
            const PictureList *list = state.vorgabe(x, y) != 0 ? fest : normal;
            const int value = state.eingabe(x, y);
            if (!list || value < 0 || value >= list->count())
                continue;
            list->copyTo(value, bitmaps.zellbild);
            const QPoint cell(45 * (x - 1), 45 * (y - 1));
            p.drawImage(cell, bitmaps.zellbild);
            if (value != 0)
                continue; // marks of a filled cell stay stored but hidden
            for (int sx = 1; sx <= 3; ++sx)
                for (int sy = 1; sy <= 3; ++sy)
                    if (state.markierungen(x, y, sx, sy) == 1)
                        p.drawImage(cell + QPoint(15 * (sx - 1), 15 * (sy - 1)), bitmaps.markenbild);
        }
    }
    board.brush = kBoardBrushAfterDrawing;
    drawLines(p, state.spielart, n, board.picture.width());
}

} // namespace vantrell
