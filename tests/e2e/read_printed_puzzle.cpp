// Reads the classic puzzle on a printed one-puzzle page back as a player would: renders the
// PDF, finds the grid by its frame and compares every cell's ink with the digits of DejaVu
// Sans (the face a Debian machine prints with). Prints the grid it read and says whether
// it holds the given number of clearly readable digits that break no rule of the game.
//   read_printed_puzzle <pdf> <given cells>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRawFont>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <set>

namespace {

constexpr int kSide = 16;
// A digit reads clearly when its ink lies this close to the face's digit, in parts of the
// sample's whole ink range: a page in the same face comes within a few per cent.
constexpr double kClearly = 0.10;

// Ink scaled to fit a small square and centred: only the shape counts.
QImage sample(const QImage &ink)
{
    QImage square(kSide, kSide, QImage::Format_Grayscale8);
    square.fill(0);
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF fitted = QSizeF(ink.size()).scaled(kSide - 2, kSide - 2, Qt::KeepAspectRatio);
    painter.drawImage(QRectF(QPointF((kSide - fitted.width()) / 2, (kSide - fitted.height()) / 2), fitted), ink);
    return square;
}

double difference(const QImage &a, const QImage &b)
{
    long sum = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            sum += std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
    return sum / (255.0 * kSide * kSide);
}

// White ink on black, cut to its bounding box; null when the area holds no ink.
QImage inkIn(const QImage &page, const QRect &area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    if (box.isEmpty())
        return {};
    QImage ink = page.copy(box).convertToFormat(QImage::Format_Grayscale8);
    ink.invertPixels();
    return ink;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: read_printed_puzzle <pdf> <given cells>\n");
        return 2;
    }
    const int expected = QByteArray(argv[2]).toInt();
    const QRawFont face(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 200);
    QTemporaryDir dir;
    if (!face.isValid() || !dir.isValid()) {
        std::fprintf(stderr, "read_printed_puzzle: no DejaVu Sans or no temporary folder\n");
        return 2;
    }
    std::array<QImage, 10> digits;
    for (int d = 1; d <= 9; ++d) {
        QImage glyph(200, 200, QImage::Format_Grayscale8);
        glyph.fill(0);
        QPainter painter(&glyph);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(20, 170);
        painter.fillPath(face.pathForGlyph(face.glyphIndexesForString(QString::number(d)).value(0)), Qt::white);
        painter.end();
        glyph.invertPixels(); // dark on light, as on paper
        digits[d] = sample(inkIn(glyph.convertToFormat(QImage::Format_RGB32), glyph.rect()));
    }

    const QString base = dir.filePath(QStringLiteral("page"));
    if (QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"),
                                                       QStringLiteral("-singlefile"), QString::fromLocal8Bit(argv[1]), base})
        != 0) {
        std::fprintf(stderr, "read_printed_puzzle: pdftoppm failed\n");
        return 2;
    }
    const QImage page = QImage(base + QStringLiteral(".pgm")).convertToFormat(QImage::Format_RGB32);
    // The grid's frame is the widest ink; the footer below it is narrower.
    QRect ink;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    if (ink.width() < 100) {
        std::printf("no grid on the page\n");
        return 1;
    }
    const double cell = ink.width() / 9.0;
    int read = 0;
    bool clear = true;
    std::array<std::array<int, 9>, 9> grid{};
    for (int row = 0; row < 9; ++row) {
        QByteArray line;
        for (int column = 0; column < 9; ++column) {
            const QRect inside(int(ink.left() + (column + 0.15) * cell), int(ink.top() + (row + 0.15) * cell),
                               int(cell * 0.7), int(cell * 0.7));
            const QImage found = inkIn(page, inside);
            if (found.isNull()) {
                line += '.';
                continue;
            }
            const QImage shape = sample(found);
            int best = 1;
            for (int d = 2; d <= 9; ++d)
                if (difference(shape, digits[d]) < difference(shape, digits[best]))
                    best = d;
            ++read;
            grid[row][column] = best;
            const bool sure = difference(shape, digits[best]) <= kClearly;
            clear = clear && sure;
            line += sure ? char('0' + best) : '?';
        }
        std::printf("%s\n", line.constData());
    }
    // No digit twice in a row, a column or a block.
    bool lawful = true;
    for (int i = 0; i < 9; ++i) {
        std::set<int> rowSeen, columnSeen, blockSeen;
        int inRow = 0, inColumn = 0, inBlock = 0;
        for (int j = 0; j < 9; ++j) {
            const int r = grid[i][j], c = grid[j][i], b = grid[i / 3 * 3 + j / 3][i % 3 * 3 + j % 3];
            inRow += r != 0, inColumn += c != 0, inBlock += b != 0;
            if (r)
                rowSeen.insert(r);
            if (c)
                columnSeen.insert(c);
            if (b)
                blockSeen.insert(b);
        }
        lawful = lawful && int(rowSeen.size()) == inRow && int(columnSeen.size()) == inColumn
            && int(blockSeen.size()) == inBlock;
    }
    std::printf("%d digits read, %s, %s\n", read, clear ? "all clearly" : "some unclearly",
                lawful ? "no rule broken" : "a rule broken");
    return read == expected && clear && lawful ? 0 : 1;
}
