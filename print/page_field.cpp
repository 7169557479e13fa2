#include "print/page_field.h"

#include "play/raster.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace vantrell {

namespace {

constexpr int kCell = 45;
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
void drawTextAt(QImage &picture, int x, int y, const QString &text, int pixels)
{
    QPainter p(&picture);
    p.setFont(pageFieldFont(pixels));
    const QFontMetrics metrics(p.font());
    p.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), Qt::white);
    p.setPen(Qt::black);
    p.drawText(x, y + metrics.ascent(), text);
}

} // namespace

void drawPageFieldInto(QImage &picture, const GameState &state, const QString &footerLong,
                       const QString &footerShort)
{
    const int n = state.groesse;
    const int end = kCell * n + kBorder; // the last grid line

    for (int k = 0; k <= n; ++k) {
        drawVerticalLine(picture, kCell * k + kBorder, kBorder, end + 1, 1, Qt::black);
        drawHorizontalLine(picture, kCell * k + kBorder, kBorder, end + 1, 1, Qt::black);
    }

    // eingabe is still the copy of vorgabe here, so this prints the given values.
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            if (state.vorgabe(x, y) != 0)
                drawTextAt(picture, kCell * (x - 1) + 17, kCell * (y - 1) + 8,
                           QString::number(state.eingabe(x, y)), kDigitPixels);

    const bool classic = state.spielart == 1;
    if (classic)
        for (int k = 0; k <= 3; ++k) {
            drawVerticalLine(picture, 135 * k + kBorder, kBorder, end, 3, Qt::black);
            drawHorizontalLine(picture, 135 * k + kBorder, kBorder, end, 3, Qt::black);
        }

    drawTextAt(picture, kBorder, end + (classic ? 2 : 1),
               picture.width() > kLongFooterAbove ? footerLong : footerShort, kFooterPixels);
}

QImage drawPageField(const GameState &state, const QString &footerLong, const QString &footerShort)
{
    const int side = pageFieldSide(state.groesse);
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    drawPageFieldInto(picture, state, footerLong, footerShort);
    return picture;
}

} // namespace vantrell
