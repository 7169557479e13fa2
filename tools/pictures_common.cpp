#include "tools/pictures_common.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QPainter>

namespace vantrell::art {

namespace {
std::vector<QString> problems;
}

QString twiceSizeName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName + QStringLiteral("@2x") : fileName.left(dot) + QStringLiteral("@2x") + fileName.mid(dot);
}

void fail(const QString &why) { problems.push_back(why); }
const std::vector<QString> &failures() { return problems; }

QFont font(const QString &family, int pixelSize, int weight, bool italic)
{
    // The URW faces come as OpenType and as Type 1; ask for the OpenType foundry so that
    // every weight comes from the same files.
    const bool urw = family != sans;
    QFont f(urw ? family + QStringLiteral(" [urw]") : family);
    f.setPixelSize(pixelSize);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setKerning(true);
    const QString got = QFontInfo(f).family();
    if (got != (urw ? family + QStringLiteral(" [urw]") : family))
        fail(QStringLiteral("font %1 is missing (got %2)").arg(family, got));
    return f;
}

void paragraph(QPainter &p, const QRectF &box, const QFont &f, const QColor &colour, const QString &text, int align,
               qreal lineHeight, std::optional<BrokenFirstLine> firstLine)
{
    QTextLayout layout(text, f);
    QTextOption option(static_cast<Qt::Alignment>(align & Qt::AlignHorizontal_Mask));
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    if (lineHeight <= 0)
        lineHeight = QFontMetricsF(f).lineSpacing();
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        if (firstLine && y == 0) {
            l.setNumColumns(firstLine->columns);
            if (l.textLength() != firstLine->columns || l.naturalTextWidth() > firstLine->right - box.left())
                fail(QStringLiteral("the first line does not fit before the hyphen: %1").arg(text.left(40)));
            l.setPosition(QPointF(firstLine->right - box.left() - l.naturalTextWidth(), 0));
        } else {
            l.setLineWidth(box.width());
            l.setPosition(QPointF(0, y));
            if (l.naturalTextWidth() > box.width() + 0.5)
                fail(QStringLiteral("a word is wider than its box: %1").arg(text.left(40)));
        }
        y += lineHeight;
    }
    layout.endLayout();
    if (y > box.height() + 0.5)
        fail(QStringLiteral("text needs %1 px, has %2: %3").arg(y).arg(box.height()).arg(text.left(40)));
    qreal top = box.top();
    if (align & Qt::AlignVCenter)
        top += (box.height() - y) / 2;
    else if (align & Qt::AlignBottom)
        top += box.height() - y;
    p.save();
    p.setPen(colour);
    layout.draw(&p, QPointF(box.left(), top));
    p.restore();
}

void line(QPainter &p, const QRectF &box, const QFont &f, const QColor &colour, const QString &text, int align)
{
    p.save();
    p.setFont(f);
    p.setPen(colour);
    const QRectF needed = p.boundingRect(box, align, text);
    if (needed.width() > box.width() + 0.5)
        fail(QStringLiteral("line does not fit its box: %1").arg(text));
    p.drawText(box, align, text);
    p.restore();
}

QPainterPath glyphPath(const QFont &f, const QString &text, QPointF centre, qreal height, qreal maxWidth)
{
    QPainterPath path;
    path.addText(0, 0, f, text);
    const QRectF ink = path.boundingRect();
    const qreal scale = std::min(height / ink.height(), maxWidth / ink.width());
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.scale(scale, scale);
    t.translate(-ink.center().x(), -ink.center().y());
    return t.map(path);
}

void drawButtonFace(QPainter &p, const QRect &r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(r, buttonFace);
    // A lighter top half gives the flat face a little body without a glossy look.
    p.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, r.height() / 2 - 1), QColor(250, 247, 237));
    // The frame as four strips a pixel wide: at twice the size it lies exactly on the
    // plain picture's frame pixels, where a pen would straddle their edge.
    for (const QRect &edge : {QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1),
                              QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height())})
        p.fillRect(edge, buttonFrame);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const qreal cy = r.top() + r.height() / 2.0;
    const qreal x = r.left() + 6;
    p.drawPolygon(QPolygonF({QPointF(x, cy - 4), QPointF(x + 5, cy), QPointF(x, cy + 4)}));
    p.restore();
}

void drawCaptionedButton(QPainter &p, const QRect &r, const QString &caption)
{
    drawButtonFace(p, r);
    line(p, QRectF(r.left() + 16, r.top() + 1, r.width() - 18, r.height() - 2), font(sans, 11), darkRed, caption);
}

void drawDoubleFrame(QPainter &p, const QRectF &r, const QColor &colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 1));
    p.drawRect(r);
    QColor fine = colour;
    fine.setAlpha(110);
    p.setPen(QPen(fine, 1));
    p.drawRect(r.adjusted(3, 3, -3, -3));
    p.restore();
}

void drawGridMotif(QPainter &p, QPointF topLeft, qreal cell, const QColor &lines, const QColor &digits,
                   const char *givens)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFont f = font(serif, qRound(cell * 0.72));
    for (int i = 0; i < 81 && givens[i]; ++i) {
        if (givens[i] < '1' || givens[i] > '9')
            continue;
        const QPointF c(topLeft.x() + (i % 9 + 0.5) * cell, topLeft.y() + (i / 9 + 0.5) * cell);
        p.fillPath(glyphPath(f, QString(QChar(givens[i])), c, cell * 0.5), digits);
    }
    for (int a = 0; a <= 9; ++a) {
        const qreal w = a % 3 == 0 ? 1.6 : 0.7;
        p.setPen(QPen(lines, w));
        p.drawLine(QPointF(topLeft.x() + a * cell, topLeft.y()), QPointF(topLeft.x() + a * cell, topLeft.y() + 9 * cell));
        p.drawLine(QPointF(topLeft.x(), topLeft.y() + a * cell), QPointF(topLeft.x() + 9 * cell, topLeft.y() + a * cell));
    }
    p.restore();
}

void drawFlourish(QPainter &p, QPointF c, qreal halfWidth, const QColor &colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int side : {-1, 1}) {
        QPainterPath rule;
        rule.moveTo(c.x() + side * 7, c.y() - 1);
        rule.lineTo(c.x() + side * halfWidth, c.y());
        rule.lineTo(c.x() + side * 7, c.y() + 1);
        rule.closeSubpath();
        p.drawPath(rule);
    }
    p.drawPolygon(QPolygonF({QPointF(c.x() - 4, c.y()), QPointF(c.x(), c.y() - 3), QPointF(c.x() + 4, c.y()),
                             QPointF(c.x(), c.y() + 3)}));
    p.restore();
}

} // namespace vantrell::art
