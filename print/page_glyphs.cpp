#include "print/page_glyphs.h"

#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRawFont>

#include <cstdlib>
#include <mutex>

// Q_INIT_RESOURCE declares the resource's init function where it is used, so it must be
// used outside any namespace.
static void initGlyphsResource() { Q_INIT_RESOURCE(glyphs); }

namespace vantrell {

namespace {

// "M x y L x y C x y x y x y Z ..." into a path; false on anything else.
bool readPath(const QList<QByteArray> &words, qsizetype at, QPainterPath &path)
{
    auto number = [&](qreal &value) {
        bool ok = at < words.size();
        value = ok ? words[at++].toDouble(&ok) : 0;
        return ok;
    };
    while (at < words.size()) {
        const QByteArray command = words[at++];
        qreal x = 0, y = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (command == "M" && number(x) && number(y))
            path.moveTo(x, y);
        else if (command == "L" && number(x) && number(y))
            path.lineTo(x, y);
        else if (command == "C" && number(x1) && number(y1) && number(x2) && number(y2) && number(x) && number(y))
            path.cubicTo(x1, y1, x2, y2, x, y);
        else if (command == "Z")
            path.closeSubpath();
        else
            return false;
    }
    return true;
}

} // namespace

GlyphOutlines GlyphOutlines::fromText(const QByteArray &text)
{
    GlyphOutlines outlines;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (line.startsWith('#') || words.first().isEmpty())
            continue;
        bool ok = false;
        if (words.first() == "units" && words.size() == 6) {
            outlines.units_ = words[1].toDouble(&ok);
            outlines.ascent_ = words[3].toDouble();
            outlines.descent_ = words[5].toDouble();
            if (!ok || outlines.units_ <= 0)
                return {};
            continue;
        }
        const uint code = words.first().toUInt(&ok);
        if (!ok || code < kFirst || code > kLast || words.size() < 2)
            return {};
        Glyph &glyph = outlines.glyphs_[code - kFirst];
        glyph.advance = words[1].toDouble(&ok);
        if (!ok || !readPath(words, 2, glyph.path))
            return {};
        glyph.present = true;
    }
    return outlines;
}

const GlyphOutlines &GlyphOutlines::builtIn()
{
    static const GlyphOutlines outlines = [] {
        initGlyphsResource();
        QFile file(QStringLiteral(":/glyphs/page_glyphs.txt"));
        return file.open(QIODevice::ReadOnly) ? fromText(file.readAll()) : GlyphOutlines();
    }();
    return outlines;
}

const GlyphOutlines::Glyph *GlyphOutlines::glyph(QChar c) const
{
    if (c.unicode() < kFirst || c.unicode() > kLast)
        return nullptr;
    const Glyph &g = glyphs_[c.unicode() - kFirst];
    return g.present ? &g : nullptr;
}

bool GlyphOutlines::draws(const QString &text) const
{
    for (QChar c : text)
        if (!glyph(c))
            return false;
    return !isEmpty();
}

qreal GlyphOutlines::advance(const QString &text, qreal pixels) const
{
    qreal units = 0;
    for (QChar c : text)
        if (const Glyph *g = glyph(c))
            units += g->advance;
    return isEmpty() ? 0 : units * pixels / units_;
}

QPainterPath GlyphOutlines::path(const QString &text, qreal pixels) const
{
    QPainterPath path;
    if (isEmpty())
        return path;
    qreal x = 0;
    for (QChar c : text)
        if (const Glyph *g = glyph(c)) {
            path.addPath(g->path.translated(x, 0));
            x += g->advance;
        }
    const qreal scale = pixels / units_;
    return QTransform::fromScale(scale, scale).map(path);
}

namespace {

constexpr int kDrawSide = 24;
constexpr int kSampleSide = 8;
// How far a sample may lie from its digit's outline, in parts of its whole ink range: text
// faces of many designs come within 13 %, a dingbat face lies beyond 25 %.
constexpr int kFarFromDigits = kSampleSide * kSampleSide * 255 * 20 / 100;

// A glyph as a small, blurred picture: its ink scaled to fit and centred, so that only the
// rough shape counts and not the design's details (a 1 with or without its foot).
QImage sample(const QPainterPath &path)
{
    QImage picture(kDrawSide, kDrawSide, QImage::Format_Grayscale8);
    picture.fill(0);
    const QRectF ink = path.boundingRect();
    if (ink.width() > 0 && ink.height() > 0) {
        const qreal scale = (kDrawSide - 4) / std::max(ink.width(), ink.height());
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(kDrawSide / 2.0, kDrawSide / 2.0);
        painter.scale(scale, scale);
        painter.translate(-ink.center());
        painter.fillPath(path, Qt::white);
    }
    return picture.scaled(kSampleSide, kSampleSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int difference(const QImage &a, const QImage &b)
{
    int sum = 0;
    for (int y = 0; y < kSampleSide; ++y) {
        const uchar *p = a.constScanLine(y);
        const uchar *q = b.constScanLine(y);
        for (int x = 0; x < kSampleSide; ++x)
            sum += std::abs(p[x] - q[x]);
    }
    return sum;
}

bool readsAsDigits(const QFont &font)
{
    // No family at all: the machine has no font, and Qt draws boxes.
    if (QFontInfo(font).family().isEmpty())
        return false;
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return false;
    const GlyphOutlines &own = GlyphOutlines::builtIn();
    std::array<QImage, 10> references;
    for (int d = 0; d <= 9; ++d)
        references[d] = sample(own.path(QString::number(d), 64));
    for (int d = 0; d <= 9; ++d) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(QString::number(d));
        if (glyphs.size() != 1 || glyphs.first() == 0)
            return false;
        if (own.isEmpty())
            continue; // nothing to compare with: the font is all there is
        // Near its own outline, and not much nearer to another digit's.
        const QImage drawn = sample(raw.pathForGlyph(glyphs.first()));
        const int own = difference(drawn, references[d]);
        int nearest = own;
        for (const QImage &other : references)
            nearest = std::min(nearest, difference(drawn, other));
        if (own > kFarFromDigits || own * 4 > nearest * 5)
            return false;
    }
    return true;
}

} // namespace

bool fontDrawsDigits(const QFont &font)
{
    static std::mutex guard;
    static QHash<QString, bool> known;
    const std::lock_guard lock(guard);
    const QString key = font.key();
    if (const auto it = known.constFind(key); it != known.constEnd())
        return *it;
    const bool reads = readsAsDigits(font);
    known.insert(key, reads);
    return reads;
}

} // namespace vantrell
