// Writes the outlines of the characters a page field prints (printable ASCII) into the file
// the game draws them from when the machine has no font that can. The committed file in
// resources/glyphs is its output; write it again with
//
//   cmake --build build --target make_glyphs && ./build/tools/make_glyphs resources/glyphs/page_glyphs.txt
//
// The outlines are those of DejaVu Sans (Debian fonts-dejavu-core), the face the game's
// "Verdana" falls back to on Linux, so a page looks the same either way.
#include <QGuiApplication>
#include <QPainterPath>
#include <QRawFont>
#include <QSaveFile>

#include <cmath>
#include <cstdio>

namespace {

const char *const kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

QByteArray number(qreal value) { return QByteArray::number(qRound(value)); }

// "M x y L x y C x y x y x y ... Z" in font units, y downwards from the baseline.
QByteArray pathText(const QPainterPath &path)
{
    QByteArray text;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (i > 0)
                text += " Z ";
            text += "M";
            break;
        case QPainterPath::LineToElement:
            text += " L";
            break;
        case QPainterPath::CurveToElement:
            text += " C";
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
        text += ' ' + number(e.x) + ' ' + number(e.y);
    }
    if (!text.isEmpty())
        text += " Z";
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_glyphs <output-file>\n");
        return 2;
    }
    const QRawFont probe(QString::fromLatin1(kFace), 16);
    if (!probe.isValid()) {
        std::fprintf(stderr, "make_glyphs: cannot read %s\n", kFace);
        return 1;
    }
    // At one pixel per font unit the outlines come out in font units.
    const qreal units = probe.unitsPerEm();
    const QRawFont face(QString::fromLatin1(kFace), units);

    QByteArray text = "# Outlines of the printable ASCII characters for the page fields, drawn where no font on\n"
                      "# the machine can draw them: DejaVu Sans (Bitstream Vera license, see LICENSE in this\n"
                      "# folder), written by tools/make_glyphs.cpp. Font units, y downwards from the baseline.\n"
                      "# units <per em> ascent <units> descent <units>, then one character a line:\n"
                      "# <code> <advance> <path>\n";
    text += "units " + number(units) + " ascent " + number(face.ascent()) + " descent " + number(face.descent()) + '\n';
    for (char32_t c = 0x20; c <= 0x7e; ++c) {
        const QString character = QString::fromUcs4(&c, 1);
        const QList<quint32> glyphs = face.glyphIndexesForString(character);
        if (glyphs.size() != 1 || glyphs.first() == 0) {
            std::fprintf(stderr, "make_glyphs: no glyph for U+%04X\n", unsigned(c));
            return 1;
        }
        const QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs);
        text += QByteArray::number(unsigned(c)) + ' ' + number(advances.value(0).x());
        const QByteArray path = pathText(face.pathForGlyph(glyphs.first()));
        if (!path.isEmpty())
            text += ' ' + path;
        text += '\n';
    }
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        std::fprintf(stderr, "make_glyphs: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("make_glyphs: %d characters in %s\n", 0x7e - 0x20 + 1, argv[1]);
    return 0;
}
