// Shared drawing helpers of the picture program: colours, fonts, text and small motifs.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

namespace vantrell::art {

// One output file of the picture program.
struct Picture {
    QString fileName;
    QImage image;
};

// The file of a picture drawn at twice its size for dense screens: "title.jpg" gives
// "title@2x.jpg".
QString twiceSizeName(const QString &fileName);

inline const QColor cream{255, 253, 240};
inline const QColor creamShade{244, 236, 214};
inline const QColor darkRed{128, 0, 0};
inline const QColor deepRed{102, 0, 0};
inline const QColor boardGrey{204, 204, 204};
inline const QColor gridLine{185, 189, 198};
inline const QColor blockLine{99, 106, 122};
inline const QColor buttonFace{246, 241, 226};
inline const QColor buttonFrame{150, 136, 116};
inline const QColor ornament{190, 160, 130};

// Font families, all from Debian's URW and DejaVu packages through fontconfig.
inline const QString chancery = QStringLiteral("Z003");
inline const QString serif = QStringLiteral("P052");
inline const QString sans = QStringLiteral("DejaVu Sans");
inline const QString digitsFace = QStringLiteral("Nimbus Sans");
inline const QString lettersFace = QStringLiteral("C059");

// A font at a pixel size. A family the machine lacks is recorded as a failure, because
// a substitute would silently change the committed pictures.
QFont font(const QString &family, int pixelSize, int weight = QFont::Normal, bool italic = false);

// Problems found while drawing (missing fonts, text that does not fit its box).
void fail(const QString &why);
const std::vector<QString> &failures();

// A first line that breaks inside a word, after `columns` characters, and ends at x = right,
// where a window stands the word's hyphen. It keeps its natural word spacing and begins as far
// in as it must: stretching a short line to the box would triple its word gaps.
struct BrokenFirstLine {
    int columns = 0;
    qreal right = 0;
};

// Draws wrapped text into box, lines lineHeight apart (0: the font's own spacing). Text
// that needs more room than the box is a failure.
void paragraph(QPainter &p, const QRectF &box, const QFont &f, const QColor &colour, const QString &text,
               int align = Qt::AlignLeft | Qt::AlignTop, qreal lineHeight = 0,
               std::optional<BrokenFirstLine> firstLine = std::nullopt);

// Draws one line of text; it must fit the box.
void line(QPainter &p, const QRectF &box, const QFont &f, const QColor &colour, const QString &text,
          int align = Qt::AlignLeft | Qt::AlignVCenter);

// The outline of text, scaled uniformly so its inked extent is height pixels tall (or
// fits within maxWidth) and centred on centre.
QPainterPath glyphPath(const QFont &f, const QString &text, QPointF centre, qreal height, qreal maxWidth = 1e9);

// The flat beige button face of the game with the small black arrow near its left end.
void drawButtonFace(QPainter &p, const QRect &r);
// A button face with its caption where the game puts captions (16 px from the left).
void drawCaptionedButton(QPainter &p, const QRect &r, const QString &caption);

// A picture frame: a thin dark-red rule with a finer one inside it.
void drawDoubleFrame(QPainter &p, const QRectF &r, const QColor &colour);

// A faint sudoku grid, n cells of cell px, with some digits, as a background motif.
void drawGridMotif(QPainter &p, QPointF topLeft, qreal cell, const QColor &lines, const QColor &digits,
                   const char *givens);

// A small printer's flourish: a diamond between two tapering rules, centred on c.
void drawFlourish(QPainter &p, QPointF c, qreal halfWidth, const QColor &colour);

} // namespace vantrell::art

namespace vantrell::art {

// The board's element strips and the two mark squares.
std::vector<Picture> boardPictures();
// Button faces, the icons of the other programs and the application icon.
std::vector<Picture> controlPictures();
// The window backgrounds, title, splash, help headers and the donation picture.
std::vector<Picture> windowPictures(const QString &homeSiteDe, const QString &homeSiteEn);

} // namespace vantrell::art
