// The game's own outlines of the characters a page field prints, for machines whose fonts
// cannot draw them, and the check that tells whether a font can.
#pragma once

#include <QByteArray>
#include <QPainterPath>
#include <QString>

#include <array>

class QFont;

namespace vantrell {

class GlyphOutlines {
public:
    // The built-in outlines (resources/glyphs), read on first use; empty when unreadable.
    static const GlyphOutlines &builtIn();
    // Outlines in the built-in file's form; empty when the text is not in that form.
    static GlyphOutlines fromText(const QByteArray &text);

    bool isEmpty() const { return units_ <= 0; }
    // Whether every character of text has an outline.
    bool draws(const QString &text) const;
    // Metrics at a pixel size (the size of the em, as a font's pixel size).
    qreal ascent(qreal pixels) const { return isEmpty() ? 0 : ascent_ * pixels / units_; }
    qreal descent(qreal pixels) const { return isEmpty() ? 0 : descent_ * pixels / units_; }
    qreal advance(const QString &text, qreal pixels) const;
    // The outline of text with its baseline at y = 0 and its start at x = 0; characters
    // without an outline leave a gap.
    QPainterPath path(const QString &text, qreal pixels) const;

private:
    static constexpr char32_t kFirst = 0x20;
    static constexpr char32_t kLast = 0x7e;
    struct Glyph {
        bool present = false;
        qreal advance = 0;
        QPainterPath path; // in font units
    };
    const Glyph *glyph(QChar c) const;

    std::array<Glyph, kLast - kFirst + 1> glyphs_;
    qreal units_ = 0;
    qreal ascent_ = 0;
    qreal descent_ = 0;
};

// Whether font draws the decimal digits as digits: each must look more like its own
// built-in outline than like any other digit's. A symbol font draws pictures in their
// place, and a machine without fonts draws boxes. The answer is kept for each font.
bool fontDrawsDigits(const QFont &font);

} // namespace vantrell
