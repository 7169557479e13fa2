#include "print/page_field.h"

#include "play/raster.h"
#include "print/page_glyphs.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QtMath>

namespace vantrell {

namespace {

constexpr int kBorder = 5;
constexpr int kDigitPixels = 33;  // 25 pt at 96 dpi
constexpr int kFooterPixels = 11; // 8 pt at 96 dpi
constexpr int kLongFooterAbove = 225;

QFont pageFieldFont(int pixels)
{
    // Verdana is rarely installed off Windows; fontconfig picks a sans serif in its place
    // and the geometry stays the same.
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    font.setPixelSize(pixels);
    return font;
}

// Black text with the top-left of its text cell at (x, y), over an opaque white box.
// Pixel sizes and screen metrics keep the box and the text where the picture has them,
// whatever the device and its scale.
void drawTextAt(QPainter &p, int x, int y, const QString &text, int pixels)
{
    const QFont font = pageFieldFont(pixels);
    const GlyphOutlines &outlines = GlyphOutlines::builtIn();
    // A puzzle must be readable on paper: where the machine's font would draw boxes or
    // pictures instead of digits, the game's own outlines draw the text.
    if (fontDrawsDigits(font) || !outlines.draws(text)) {
        p.setFont(font);
        const QFontMetrics metrics(p.font());
        p.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), Qt::white);
        p.setPen(Qt::black);
        p.drawText(x, y + metrics.ascent(), text);
        return;
    }
    const int ascent = qCeil(outlines.ascent(pixels));
    p.fillRect(x, y, qCeil(outlines.advance(text, pixels)), ascent + qCeil(outlines.descent(pixels)), Qt::white);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(x, y + ascent);
    p.fillPath(outlines.path(text, pixels), Qt::black);
    p.restore();
}

} // namespace

bool PageFieldPuzzle::isValid() const
{
    return groesse >= 1 && groesse <= kMaxSide && givens.size() == std::size_t(groesse * groesse);
}

PageFieldPuzzle pageFieldPuzzle(const GameState &state, const QString &footerLong, const QString &footerShort)
{
    PageFieldPuzzle puzzle{state.groesse, state.spielart, {}, footerLong, footerShort};
    if (state.groesse < 1 || state.groesse > kMaxSide)
        return puzzle; // no cells: drawn as nothing
    const int n = state.groesse;
    puzzle.givens.assign(std::size_t(n * n), 0);
    // eingabe is still the copy of vorgabe here, so this keeps the given values.
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            if (state.vorgabe(x, y) != 0)
                puzzle.givens[std::size_t((x - 1) * n + (y - 1))] = state.eingabe(x, y);
    return puzzle;
}

void drawPageField(QPainter &painter, const PageFieldPuzzle &puzzle)
{
    if (!puzzle.isValid())
        return;
    const int n = puzzle.groesse;
    const int side = pageFieldSide(n);
    const int end = kCellPixels * n + kBorder; // the last grid line

    painter.save();
    // A long footer ends at the picture's edge, on paper too.
    painter.setClipRect(QRect(0, 0, side, side), Qt::IntersectClip);

    for (int k = 0; k <= n; ++k) {
        drawVerticalLine(painter, kCellPixels * k + kBorder, kBorder, end + 1, 1, Qt::black);
        drawHorizontalLine(painter, kCellPixels * k + kBorder, kBorder, end + 1, 1, Qt::black);
    }

    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            if (const int value = puzzle.givens[std::size_t((x - 1) * n + (y - 1))]; value != 0)
                drawTextAt(painter, kCellPixels * (x - 1) + 17, kCellPixels * (y - 1) + 8, QString::number(value),
                           kDigitPixels);

    const bool classic = puzzle.spielart == 1;
    // The block lines reach half their width past both ends, so that the frame's thick
    // lines meet: ended at the corner points they leave a bite out of each outer corner,
    // which the printer enlarges to a visible notch.
    if (classic)
        for (int k = 0; k <= 3; ++k) {
            drawVerticalLine(painter, 3 * kCellPixels * k + kBorder, kBorder - 1, end + 2, 3, Qt::black);
            drawHorizontalLine(painter, 3 * kCellPixels * k + kBorder, kBorder - 1, end + 2, 3, Qt::black);
        }

    drawTextAt(painter, kBorder, end + (classic ? 2 : 1),
               side > kLongFooterAbove ? puzzle.footerLong : puzzle.footerShort, kFooterPixels);
    painter.restore();
}

void drawPageFieldInto(QImage &picture, const GameState &state, const QString &footerLong,
                       const QString &footerShort)
{
    QPainter painter(&picture);
    drawPageField(painter, pageFieldPuzzle(state, footerLong, footerShort));
}

QImage drawPageField(const PageFieldPuzzle &puzzle)
{
    const int side = puzzle.isValid() ? pageFieldSide(puzzle.groesse) : 0;
    QImage picture = whitePicture(side, side);
    if (!picture.isNull()) {
        QPainter painter(&picture);
        drawPageField(painter, puzzle);
    }
    return picture;
}

QImage drawPageField(const GameState &state, const QString &footerLong, const QString &footerShort)
{
    return drawPageField(pageFieldPuzzle(state, footerLong, footerShort));
}

QImage drawPageFieldForScreen(const PageFieldPuzzle &puzzle, qreal ratio, QSize deviceSize)
{
    QImage picture = whitePicture(deviceSize.width(), deviceSize.height());
    if (!picture.isNull()) {
        QPainter painter(&picture);
        painter.scale(ratio, ratio);
        drawPageField(painter, puzzle);
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

bool pageFieldShows(const QImage &picture, const PageFieldPuzzle &puzzle)
{
    if (!puzzle.isValid() || picture.size() != QSize(pageFieldSide(puzzle.groesse), pageFieldSide(puzzle.groesse)))
        return false;
    return picture.convertToFormat(QImage::Format_RGB32) == drawPageField(puzzle);
}

} // namespace vantrell
