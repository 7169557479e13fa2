#include "play/board_renderer.h"

#include "core/settings.h"
#include "play/raster.h"
#include "resources/pictures.h"

#include <QPainter>
#include <QtMath>

#include <optional>

namespace vantrell {
namespace {

constexpr qreal kMaxDeviceRatio = 4;
constexpr int kBlockPixels = 3 * kCellPixels; // a 3 x 3 block of the classic board

qreal usableRatio(qreal ratio)
{
    if (!(ratio > 1))
        return 1; // also a ratio that is not a number
    return qMin(ratio, kMaxDeviceRatio);
}

// The picture lists a game of one element set is drawn from.
struct CellLists {
    CellLists(const BoardPictures &pictures, char letter)
        : set(pictures.forElements(letter)), marks(pictures.grauliste), markPicture(letter == 'K' ? 1 : 0)
    {
    }
    // The list a cell is drawn from, or none when it lacks the cell's value.
    const PictureList *forCell(const GameState &state, int x, int y) const
    {
        const PictureList *list = state.vorgabe(x, y) != 0 ? set.fest : set.normal;
        const int value = state.eingabe(x, y);
        return list && value >= 0 && value < list->count() ? list : nullptr;
    }

    BoardPictures::ElementLists set;
    const PictureList *marks;
    int markPicture;
};

void drawLines(QPainter &picture, std::int32_t spielart, int n, int pictureWidth)
{
    const int side = kCellPixels * n;
    for (int a = 0; a <= n; ++a) {
        drawVerticalLine(picture, kCellPixels * a, 0, side, 2, kCellLineColour);
        drawHorizontalLine(picture, kCellPixels * a, -1, side, 2, kCellLineColour);
    }
    if (spielart == 1) {
        for (int a = 0; a <= 3; ++a) {
            drawVerticalLine(picture, kBlockPixels * a, 0, side, 2, kBlockLineColour);
            drawHorizontalLine(picture, kBlockPixels * a, -1, pictureWidth, 2, kBlockLineColour);
        }
    } else {
        for (int c : {0, side}) {
            drawVerticalLine(picture, c, 0, side, 2, kBlockLineColour);
            drawHorizontalLine(picture, c, -1, pictureWidth, 2, kBlockLineColour);
        }
    }
}

// One axis of the board on a device of a higher pixel ratio, in device pixels: the board
// spans side pixels. Every 2-pixel line becomes width pixels, the frame on the board's
// edges shows its inner half (rounded up) at both ends, and the cells share the rest
// evenly, so they differ by a pixel at most. At a whole ratio this puts every line exactly
// where the 1x board has it, scaled.
class DeviceAxis {
public:
    DeviceAxis(int n, int side, int width) : n_(n), side_(side), width_(width), frame_((width + 1) / 2) {}

    int side() const { return side_; }
    // The first pixel of the line on cell edge k (0..n).
    int lineStart(int k) const
    {
        if (k <= 0 || n_ <= 0)
            return frame_ - width_;
        if (k >= n_)
            return side_ - frame_;
        const int cells = qMax(0, side_ - 2 * frame_ - (n_ - 1) * width_);
        return frame_ + (2 * k * cells + n_) / (2 * n_) + (k - 1) * width_;
    }
    // Cell k (1..n) is drawn from here, so that its picture lies under its lines as the 1x
    // picture does; the next line covers the pixel by which it may overlap the next cell.
    int cellStart(int k) const { return lineStart(k - 1) + width_ - width_ / 2; }

private:
    int n_;
    int side_;
    int width_;
    int frame_;
};

// The board in device pixels. Its size is the screen pixels the board control covers,
// which at a fractional ratio may be a pixel more or fewer than the ratio gives, and may
// differ between the axes; the frame stays whole on all four sides all the same.
class DeviceGrid {
public:
    DeviceGrid(qreal ratio, int n, QSize size)
        : ratio_(ratio), width_(qMax(1, qRound(2 * ratio))), x_(n, size.width(), width_),
          y_(n, size.height(), width_)
    {
    }

    const DeviceAxis &x() const { return x_; }
    const DeviceAxis &y() const { return y_; }
    int lineWidth() const { return width_; }
    int cellSide() const { return qCeil(kCellPixels * ratio_ - 1e-9); }
    // Sub-square j (1..3) of a cell spans these pixels from the cell's start.
    int subSquareStart(int j) const { return qRound(cellSide() * (j - 1) / 3.0); }
    int markSide() const { return qCeil(kMarkPixels * ratio_ - 1e-9); }

    void vertical(QPainter &p, int k, const QColor &colour) const
    {
        p.fillRect(QRect(x_.lineStart(k), 0, width_, y_.side()), colour);
    }
    void horizontal(QPainter &p, int k, int x0, int x1, const QColor &colour) const
    {
        if (x1 > x0)
            p.fillRect(QRect(x0, y_.lineStart(k), x1 - x0, width_), colour);
    }

private:
    qreal ratio_;
    int width_;
    DeviceAxis x_;
    DeviceAxis y_;
};

// Paints on the device picture in device pixels while it exists: its ratio is set aside
// meanwhile, or the painter would scale everything by it.
class DevicePainter {
public:
    DevicePainter(BoardCanvas &board, int n) : board_(board), grid_(board.deviceRatio, n, board.deviceSize)
    {
        if (board.devicePicture.isNull())
            return;
        board.devicePicture.setDevicePixelRatio(1);
        painter_.emplace(&board.devicePicture);
    }
    ~DevicePainter()
    {
        if (!painter_)
            return;
        painter_.reset();
        board_.devicePicture.setDevicePixelRatio(board_.deviceRatio);
    }
    DevicePainter(const DevicePainter &) = delete;
    DevicePainter &operator=(const DevicePainter &) = delete;

    bool active() const { return painter_.has_value(); }

    void drawCell(const PictureList &list, int value, const PictureList *marks, int markPicture,
                  const GameState &state, int x, int y)
    {
        if (!painter_)
            return;
        const QPoint cell(grid_.x().cellStart(x), grid_.y().cellStart(y));
        painter_->drawImage(cell, list.devicePicture(value, grid_.cellSide()));
        if (value != 0 || !marks)
            return;
        const QImage &mark = marks->devicePicture(markPicture, grid_.markSide());
        for (int sx = 1; sx <= 3; ++sx)
            for (int sy = 1; sy <= 3; ++sy)
                if (state.markierungen(x, y, sx, sy) == 1) {
                    const QPoint from = cell + QPoint(grid_.subSquareStart(sx), grid_.subSquareStart(sy));
                    const QPoint to = cell + QPoint(grid_.subSquareStart(sx + 1), grid_.subSquareStart(sy + 1));
                    painter_->drawImage(QRect(from, to - QPoint(1, 1)), mark);
                }
    }

    void drawLines(std::int32_t spielart, int n)
    {
        if (!painter_)
            return;
        QPainter &p = *painter_;
        const int from = grid_.x().lineStart(0);
        const int pictureWidth = board_.devicePicture.width();
        for (int a = 0; a <= n; ++a) {
            grid_.vertical(p, a, kCellLineColour);
            grid_.horizontal(p, a, from, grid_.x().side(), kCellLineColour);
        }
        // Block lines: every third edge of the classic board, the frame of a free one.
        for (int a = 0; a <= n; ++a) {
            if (spielart == 1 ? a % 3 != 0 : a != 0 && a != n)
                continue;
            grid_.vertical(p, a, kBlockLineColour);
            grid_.horizontal(p, a, from, pictureWidth, kBlockLineColour);
        }
    }

private:
    BoardCanvas &board_;
    DeviceGrid grid_;
    std::optional<QPainter> painter_;
};

// The device picture of the prepared, empty board: the fill and the frame.
void prepareDevicePicture(BoardCanvas &board)
{
    if (board.deviceRatio <= 1 || board.picture.isNull()) {
        board.devicePicture = QImage();
        return;
    }
    const int n = board.preparedSide;
    const DeviceGrid grid(board.deviceRatio, n, board.deviceSize);
    board.devicePicture = QImage(board.deviceSize, QImage::Format_RGB32);
    board.devicePicture.fill(Qt::white);
    {
        QPainter p(&board.devicePicture);
        p.fillRect(QRect(0, 0, grid.x().side(), grid.y().side()), board.preparedFill);
        for (int a : {0, n}) {
            grid.vertical(p, a, kBlockLineColour);
            grid.horizontal(p, a, 0, board.devicePicture.width(), kBlockLineColour);
        }
    }
    board.devicePicture.setDevicePixelRatio(board.deviceRatio);
}

// The screen pixels the device picture is drawn for: those asked for, where they are
// within a pixel or two of what the ratio gives (a control's rounding), else those.
QSize usableDeviceSize(QSize picture, qreal ratio, QSize asked)
{
    if (ratio <= 1)
        return {};
    const QSize given(qRound(picture.width() * ratio), qRound(picture.height() * ratio));
    const bool close = qAbs(asked.width() - given.width()) <= 2 && qAbs(asked.height() - given.height()) <= 2;
    return close ? asked : given;
}

std::size_t cellIndex(int x, int y) { return static_cast<std::size_t>((x - 1) * kMaxSide + (y - 1)); }

} // namespace

void prepareBoard(BoardCanvas &board, std::int32_t spielart, int n, qreal deviceRatio, QSize deviceSize)
{
    const int pictureSide = boardPictureSide(spielart);
    board.picture = resizedPicture(board.picture, pictureSide, pictureSide);
    const int side = kCellPixels * n;
    QPainter p(&board.picture);
    p.fillRect(QRect(0, 0, side, side), board.brush);
    // The frame lies on the picture's edges, so only its inner half is inside.
    for (int c : {0, side}) {
        drawVerticalLine(p, c, 0, side, 2, kBlockLineColour);
        drawHorizontalLine(p, c, 0, board.picture.width(), 2, kBlockLineColour);
    }

    board.preparedSide = n;
    board.preparedFill = board.brush;
    board.drawnCells.fill(false);
    board.linesDrawn = false;
    board.deviceRatio = usableRatio(deviceRatio);
    board.deviceSize = usableDeviceSize(board.picture.size(), board.deviceRatio, deviceSize);
    prepareDevicePicture(board);
}

QRect cellInterior(int n, int x, int y, qreal deviceRatio, QSize deviceSize)
{
    const qreal ratio = usableRatio(deviceRatio);
    const int side = kCellPixels * n;
    const QSize size = ratio > 1 ? usableDeviceSize({side, side}, ratio, deviceSize) : QSize(side, side);
    const DeviceGrid grid(ratio, n, size);
    const QPoint from(grid.x().lineStart(x - 1) + grid.lineWidth(), grid.y().lineStart(y - 1) + grid.lineWidth());
    const QPoint to(grid.x().lineStart(x) - 1, grid.y().lineStart(y) - 1);
    return QRect(from, to);
}

bool setBoardDeviceRatio(BoardCanvas &board, qreal deviceRatio, const GameState &state, const BoardPictures &pictures)
{
    return setBoardDeviceGeometry(board, deviceRatio, {}, state, pictures);
}

bool setBoardDeviceGeometry(BoardCanvas &board, qreal deviceRatio, QSize deviceSize, const GameState &state,
                            const BoardPictures &pictures)
{
    const qreal ratio = usableRatio(deviceRatio);
    const QSize size = usableDeviceSize(board.picture.size(), ratio, deviceSize);
    if (ratio == board.deviceRatio && size == board.deviceSize)
        return false;
    board.deviceRatio = ratio;
    board.deviceSize = size;
    prepareDevicePicture(board);
    if (!board.linesDrawn)
        return true;
    const int n = qBound(0, state.groesse, kMaxSide);
    const CellLists lists(pictures, state.elemente);
    DevicePainter device(board, n);
    if (!device.active())
        return true;
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            if (board.drawnCells[cellIndex(x, y)])
                if (const PictureList *list = lists.forCell(state, x, y))
                    device.drawCell(*list, state.eingabe(x, y), lists.marks, lists.markPicture, state, x, y);
    device.drawLines(state.spielart, n);
    return true;
}

void Ausgabe(BoardCanvas &board, const GameState &state, const BoardPictures &pictures, BoardBitmaps &bitmaps,
             int x1, int x2, int y1, int y2)
{
    const int n = qBound(0, state.groesse, kMaxSide);
    const CellLists lists(pictures, state.elemente);
    if (lists.marks)
        lists.marks->copyTo(lists.markPicture, bitmaps.markenbild);

    DevicePainter device(board, n);
    QPainter p(&board.picture);
    for (int x = qMax(x1, 1); x <= qMin(x2, n); ++x) {
        for (int y = qMax(y1, 1); y <= qMin(y2, n); ++y) {
            const PictureList *list = lists.forCell(state, x, y);
            if (!list)
                continue;
            const int value = state.eingabe(x, y);
            list->copyTo(value, bitmaps.zellbild);
            const QPoint cell(kCellPixels * (x - 1), kCellPixels * (y - 1));
            p.drawImage(cell, bitmaps.zellbild);
            board.drawnCells[cellIndex(x, y)] = true;
            device.drawCell(*list, value, lists.marks, lists.markPicture, state, x, y);
            if (value != 0)
                continue; // marks of a filled cell stay stored but hidden
            for (int sx = 1; sx <= 3; ++sx)
                for (int sy = 1; sy <= 3; ++sy)
                    if (state.markierungen(x, y, sx, sy) == 1)
                        p.drawImage(cell + QPoint(kMarkPixels * (sx - 1), kMarkPixels * (sy - 1)), bitmaps.markenbild);
        }
    }
    board.brush = kBoardBrushAfterDrawing;
    drawLines(p, state.spielart, n, board.picture.width());
    board.linesDrawn = true;
    device.drawLines(state.spielart, n);
}

} // namespace vantrell
