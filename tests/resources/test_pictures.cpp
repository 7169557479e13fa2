#include "resources/pictures.h"

#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QtTest>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

using namespace vantrell;

namespace {

QByteArray resourceBytes(const QString &name)
{
    initPictures();
    QFile file(QStringLiteral(":/pictures/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool allPixels(const QImage &image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != colour)
                return false;
    return true;
}

// A grayscale JPEG, which the built-in pictures never are, to reach that decoder path.
QByteArray grayJpeg(int w, int h)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<JSAMPLE>(y < h / 2 ? 40 : 220);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

// Each pixel's lightness against the ground, scaled so the strongest is +-1: compares
// shapes whatever their colour, and keeps white digits on dark buttons apart.
std::vector<double> shape(const QImage &image, QRgb ground)
{
    auto lightness = [](QRgb c) { return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c); };
    std::vector<double> map;
    double strongest = 1e-9;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double d = lightness(image.pixel(x, y)) - lightness(ground);
            map.push_back(d);
            strongest = std::max(strongest, std::abs(d));
        }
    for (double &d : map)
        d /= strongest;
    return map;
}

// An element picture at a third of its size (the miniature's size), shrunk further by
// factor about the middle of its 15x15 square: miniatures of wide shapes may be drawn
// a little smaller than a third.
QImage asMiniature(const QImage &element, QRgb ground, double factor)
{
    QImage square(45, 45, QImage::Format_RGB32);
    square.fill(ground);
    const QSizeF size = QSizeF(element.size()) * factor;
    QPainter p(&square);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF((45 - size.width()) / 2, (45 - size.height()) / 2), size), element);
    p.end();
    return square.scaled(15, 15, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// How far a picture drawn at twice the size is from the plain one, both shrunk by factor
// (area averages, so text set with other hinting still compares alike): the mean and the
// largest difference of a colour channel, 0..255.
std::pair<double, int> shrunkDifference(const QImage &twice, const QImage &plain, int factor)
{
    const QSize size = plain.size() / factor;
    const QImage a = twice.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b = plain.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    int largest = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(d);
                largest = std::max(largest, std::abs(d));
            }
        }
    return {sum / (3.0 * size.width() * size.height()), largest};
}

double distance(const std::vector<double> &a, const std::vector<double> &b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(a[i] - b[i]);
    return sum;
}

const PictureList &listNamed(const QObject &owner, const QString &name)
{
    const auto *list = owner.findChild<const PictureList *>(name);
    if (!list)
        qFatal("no picture list %s", qPrintable(name));
    return *list;
}

QRgb groundOf(const QString &list)
{
    const bool white = list.startsWith(QLatin1Char('K')) || list.startsWith(QLatin1String("zahlen"));
    return white ? qRgb(255, 255, 255) : qRgb(204, 204, 204);
}

void addElementLists()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRgb>("ground");
    for (QString name : pictureListNames())
        if (name != QLatin1String("grauliste"))
            QTest::newRow(qPrintable(name)) << name << groundOf(name);
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT
    QObject lists;

private slots:
    void initTestCase() { createPictureLists(&lists); }

    void builtInJpegsDecodeToTheirSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("title") << "title.jpg" << QSize(185, 50);
        for (const char *l : {"de", "en"}) {
            QTest::addRow("splash %s", l) << QStringLiteral("splash_%1.jpg").arg(l) << QSize(300, 200);
            QTest::addRow("gew_kein %s", l) << QStringLiteral("gew_kein_%1.jpg").arg(l) << QSize(400, 155);
            QTest::addRow("gew_high %s", l) << QStringLiteral("gew_high_%1.jpg").arg(l) << QSize(400, 340);
            QTest::addRow("druck %s", l) << QStringLiteral("druck_%1.jpg").arg(l) << QSize(400, 155);
            QTest::addRow("help_header %s", l) << QStringLiteral("help_header_%1.jpg").arg(l) << QSize(543, 100);
        }
        QTest::newRow("donate") << "donate.jpg" << QSize(236, 290);
    }
    void builtInJpegsDecodeToTheirSize()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        const QImage picture = builtInPicture(name);
        QCOMPARE(picture.size(), size);
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        // The blank stand-in is all white; a real picture has its dark-red lettering.
        QVERIFY(!allPixels(picture, qRgb(255, 255, 255)));
        QCOMPARE(decodeJpeg(resourceBytes(name)), picture);
    }

    void damagedJpegGivesBlankPicture_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("damaged");
        const QByteArray real = resourceBytes(QStringLiteral("gew_kein_de.jpg"));
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("garbage") << QByteArray(5000, '\x5a') << true;
        QTest::newRow("header only") << real.left(300) << true;
        QTest::newRow("cut in half") << real.left(real.size() / 2) << true;
        QTest::newRow("cut before the end marker") << real.left(real.size() - 2) << true;
        QTest::newRow("wrong size") << resourceBytes(QStringLiteral("title.jpg")) << false;
    }
    void damagedJpegGivesBlankPicture()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, damaged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("JPEG picture")));
        const QImage blank = decodeJpeg(data, QSize(400, 155));
        QCOMPARE(blank.size(), QSize(400, 155));
        QVERIFY(allPixels(blank, qRgb(255, 255, 255)));
        if (damaged) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("JPEG picture")));
            QVERIFY(decodeJpeg(data).isNull());
        }
    }

    // Every window picture and every strip has a copy at twice the size with the same
    // design; it is what a dense screen gets, with its device pixel ratio set.
    void twiceSizeCopiesShowTheSamePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("factor");
        QTest::addColumn<double>("meanLimit");
        QTest::addColumn<int>("largestLimit");
        // The window pictures are compared at a quarter of their size, where the sharper
        // lettering no longer counts but a line of other text does.
        for (const char *name : {"title", "donate"})
            QTest::newRow(name) << QStringLiteral("%1.jpg").arg(name) << 4 << 8.0 << 76;
        for (const char *l : {"de", "en"})
            for (const char *name : {"splash", "gew_kein", "gew_high", "druck", "help_header"})
                QTest::addRow("%s %s", name, l) << QStringLiteral("%1_%2.jpg").arg(name, l) << 4 << 8.0 << 76;
        for (const QString &name : pictureListNames())
            if (!name.startsWith(QLatin1String("zahlen")))
                QTest::newRow(qPrintable(name)) << name + QStringLiteral(".png") << 1 << 2.0 << 60;
        for (const char *name : {"button_small", "button_wide"})
            QTest::newRow(name) << QStringLiteral("%1.png").arg(name) << 1 << 2.0 << 60;
        // The icons' thin white seams differ most; at half their size they no longer count.
        for (const char *name : {"software_wortsuche", "software_kalender", "software_tangram", "software_solitaer"})
            QTest::newRow(name) << QStringLiteral("%1.png").arg(name) << 2 << 2.0 << 60;
    }
    void twiceSizeCopiesShowTheSamePicture()
    {
        QFETCH(QString, name);
        QFETCH(int, factor);
        QFETCH(double, meanLimit);
        QFETCH(int, largestLimit);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        const QImage plain = builtInPicture(name);
        const QImage twice = builtInPicture(name, 2);
        QCOMPARE(twice.size(), plain.size() * 2);
        QCOMPARE(twice.devicePixelRatio(), 2.0);
        QCOMPARE(twice.format(), plain.format());
        QCOMPARE(builtInPicture(name, 1.25), twice);
        QCOMPARE(builtInPicture(name, 1), plain);
        QCOMPARE(builtInPicture(name, 1).devicePixelRatio(), 1.0);
        const auto [mean, largest] = shrunkDifference(twice, plain, factor);
        QVERIFY2(mean < meanLimit && largest < largestLimit,
                 qPrintable(QStringLiteral("mean difference %1, largest %2").arg(mean).arg(largest)));
    }

    // A picture without a copy at twice the size shows as it is.
    void missingTwiceSizeCopyFallsBack()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("app_icon_48@2x.png is missing")));
        const QImage picture = builtInPicture(QStringLiteral("app_icon_48.png"), 2);
        QCOMPARE(picture, builtInPicture(QStringLiteral("app_icon_48.png")));
        QCOMPARE(picture.devicePixelRatio(), 1.0);
    }

    void devicePicturesOfAList_data()
    {
        QTest::addColumn<QString>("strip");
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("twiceSize"); // the side is exactly twice the picture's
        QTest::newRow("twice") << "Snormal@2x.png" << 90 << true;
        QTest::newRow("one and a half") << "Snormal@2x.png" << 68 << false;
        QTest::newRow("three times") << "Snormal@2x.png" << 135 << false;
        QTest::newRow("strip missing") << "nothing@2x.png" << 90 << false;
    }
    void devicePicturesOfAList()
    {
        QFETCH(QString, strip);
        QFETCH(int, side);
        QFETCH(bool, twiceSize);
        PictureList list(QSize(45, 45));
        list.addStrip(builtInPicture(QStringLiteral("Snormal.png")));
        list.setTwiceSizeStrip(strip);
        if (strip.startsWith(QLatin1String("nothing"))) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("missing")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("missing or damaged")));
        }
        const QImage twice = builtInPicture(QStringLiteral("Snormal@2x.png"));
        for (int k = 0; k < 10; ++k) {
            const QImage &picture = list.devicePicture(k, side);
            QCOMPARE(picture.size(), QSize(side, side));
            QCOMPARE(picture.format(), QImage::Format_RGB32);
            if (twiceSize)
                QCOMPARE(picture, twice.copy(90 * k, 0, 90, 90));
            // Whatever the side, it is the same element: close to the plain picture.
            const double mean = shrunkDifference(picture, list.picture(k), 1).first;
            QVERIFY2(mean < 5, qPrintable(QStringLiteral("picture %1: mean difference %2").arg(k).arg(mean)));
        }
        // Another side, then this one again: the pictures are made afresh.
        QCOMPARE(list.devicePicture(4, 2 * side).size(), QSize(2 * side, 2 * side));
        QCOMPARE(list.devicePicture(4, side).size(), QSize(side, side));
    }

    void grayscaleJpegDecodes()
    {
        const QImage picture = decodeJpeg(grayJpeg(16, 16), QSize(16, 16));
        QCOMPARE(picture.size(), QSize(16, 16));
        QVERIFY(qAbs(qRed(picture.pixel(3, 2)) - 40) <= 3);
        QCOMPARE(qRed(picture.pixel(3, 2)), qBlue(picture.pixel(3, 2)));
        QVERIFY(qAbs(qGreen(picture.pixel(12, 13)) - 220) <= 3);
    }

    void unknownPictureIsNull()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("missing")));
        QVERIFY(builtInPicture(QStringLiteral("nothing.png")).isNull());
    }

    void listsHaveTheirPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("count");
        for (const QString &name : pictureListNames()) {
            const bool marks = name == QLatin1String("grauliste");
            QTest::newRow(qPrintable(name)) << name << (marks ? QSize(15, 15) : QSize(45, 45)) << (marks ? 2 : 10);
        }
    }
    void listsHaveTheirPictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(int, count);
        const PictureList &list = listNamed(lists, name);
        QCOMPARE(list.count(), count);
        for (int k = 0; k < count; ++k)
            QCOMPARE(list.picture(k).size(), size);
        // The strips themselves carry no transparency: each picture replaces a whole cell.
        const QString strip = name.startsWith(QLatin1String("zahlen")) ? (name == QLatin1String("zahlen") ? "Knormal" : "Kfest") : name;
        const QImage raw = QImage::fromData(resourceBytes(strip + QStringLiteral(".png")));
        QCOMPARE(raw.size(), QSize(size.width() * count, size.height()));
        QVERIFY(!raw.hasAlphaChannel());
    }

    void marksAreTheGrounds()
    {
        const PictureList &marks = listNamed(lists, QStringLiteral("grauliste"));
        QVERIFY(allPixels(marks.picture(0), qRgb(204, 204, 204)));
        QVERIFY(allPixels(marks.picture(1), qRgb(255, 255, 255)));
    }

    // The same at twice the size, where the plain border is twice as wide.
    void groundIsPlainOutsideTheElements_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRgb>("ground");
        QTest::addColumn<int>("s");
        for (int scale : {1, 2})
            for (QString name : pictureListNames())
                if (name != QLatin1String("grauliste"))
                    QTest::addRow("%s at %d", qPrintable(name), scale) << name << groundOf(name) << scale;
    }
    void groundIsPlainOutsideTheElements()
    {
        QFETCH(QString, name);
        QFETCH(QRgb, ground);
        QFETCH(int, s);
        const PictureList &list = listNamed(lists, name);
        const auto picture = [&](int k) { return s == 1 ? list.picture(k) : list.devicePicture(k, 90); };
        // Picture 0: the outer two pixels of each sub-square, which a mark must match.
        const QImage empty = picture(0);
        const auto outer = [s](int c) { return c % (15 * s) < 2 * s || c % (15 * s) >= 13 * s; };
        for (int y = 0; y < 45 * s; ++y)
            for (int x = 0; x < 45 * s; ++x)
                if (outer(x) || outer(y))
                    QVERIFY2(empty.pixel(x, y) == ground, qPrintable(QStringLiteral("picture 0 at %1,%2").arg(x).arg(y)));
        // Pictures 1..9: a plain border under the grid lines.
        for (int k = 1; k <= 9; ++k) {
            const QImage element = picture(k);
            for (int y = 0; y < 45 * s; ++y)
                for (int x = 0; x < 45 * s; ++x)
                    if (x < 6 * s || x >= 39 * s || y < 6 * s || y >= 39 * s)
                        QVERIFY2(element.pixel(x, y) == ground,
                                 qPrintable(QStringLiteral("picture %1 at %2,%3").arg(k).arg(x).arg(y)));
        }
    }

    void emptyCellShowsMiniaturesInReadingOrder_data() { addElementLists(); }
    void emptyCellShowsMiniaturesInReadingOrder()
    {
        QFETCH(QString, name);
        QFETCH(QRgb, ground);
        const PictureList &list = listNamed(lists, name);
        const double factors[] = {1.0, 0.9, 0.8};
        std::vector<std::vector<std::vector<double>>> elements(10);
        for (int k = 1; k <= 9; ++k)
            for (double factor : factors)
                elements[k].push_back(shape(asMiniature(list.picture(k), ground, factor), ground));
        for (int v = 1; v <= 9; ++v) {
            const QImage sub = list.picture(0).copy(15 * ((v - 1) % 3), 15 * ((v - 1) / 3), 15, 15);
            QVERIFY2(!allPixels(sub, ground), qPrintable(QStringLiteral("sub-square %1 is empty").arg(v)));
            const std::vector<double> miniature = shape(sub, ground);
            int nearest = 1;
            double best = 1e300;
            for (int k = 1; k <= 9; ++k)
                for (const auto &element : elements[k])
                    if (const double d = distance(miniature, element); d < best) {
                        best = d;
                        nearest = k;
                    }
            QCOMPARE(nearest, v);
        }
    }

    void givenElementsStandApart_data()
    {
        QTest::addColumn<QString>("set");
        for (const char *set : {"R", "B", "S", "K", "C"})
            QTest::newRow(set) << QString::fromLatin1(set);
    }
    void givenElementsStandApart()
    {
        QFETCH(QString, set);
        const PictureList &normal = listNamed(lists, set + QStringLiteral("normal"));
        const PictureList &fest = listNamed(lists, set + QStringLiteral("fest"));
        for (int k = 1; k <= 9; ++k)
            QVERIFY(normal.picture(k) != fest.picture(k));
        if (set == QLatin1String("K")) {
            for (int k = 0; k <= 9; ++k) {
                QCOMPARE(listNamed(lists, QStringLiteral("zahlen")).picture(k), normal.picture(k));
                QCOMPARE(listNamed(lists, QStringLiteral("zahlenfest")).picture(k), fest.picture(k));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "test_pictures.moc"
