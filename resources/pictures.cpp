#include "resources/pictures.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QtDebug>

#include <csetjmp>
#include <cstdio>
#include <vector>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

// Q_INIT_RESOURCE declares the resource's init function where it is used, so it must be
// used outside any namespace.
static void initPicturesResource()
{
    Q_INIT_RESOURCE(pictures);
    Q_INIT_RESOURCE(pictures_2x);
}

namespace vantrell {

void initPictures()
{
    static const bool done = (initPicturesResource(), true);
    Q_UNUSED(done);
}

namespace {

// Larger pictures than this come only from a damaged header; refuse before allocating.
constexpr JDIMENSION maxJpegSide = 8192;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

void jpegFailed(j_common_ptr info)
{
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->escape, 1);
}

// libjpeg's warnings are about damaged data (a cut-off file above all); keep the first
// one and count them, so the decoder can refuse the picture.
void jpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    if (info->err->num_warnings++ == 0)
        info->err->format_message(info, errors->message);
}

struct JpegDecoder {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    std::vector<JSAMPLE> row;
    QImage picture;
};

// Everything that outlives a longjmp is in decoder, owned by the caller, so no local
// object here is skipped when libjpeg bails out.
bool runJpegDecoder(JpegDecoder &d, const QByteArray &data)
{
    d.info.err = jpeg_std_error(&d.errors.manager);
    d.errors.manager.error_exit = jpegFailed;
    d.errors.manager.emit_message = jpegMessage;
    if (setjmp(d.errors.escape)) {
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.info, TRUE);
    if (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK) {
        std::snprintf(d.errors.message, sizeof d.errors.message, "CMYK pictures are not supported");
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    if (d.info.image_width > maxJpegSide || d.info.image_height > maxJpegSide) {
        std::snprintf(d.errors.message, sizeof d.errors.message, "picture too large");
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    const bool gray = d.info.jpeg_color_space == JCS_GRAYSCALE;
    d.info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&d.info);
    d.picture = QImage(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height),
                       QImage::Format_RGB32);
    d.row.resize(static_cast<std::size_t>(d.info.output_width) * static_cast<std::size_t>(d.info.output_components));
    while (d.info.output_scanline < d.info.output_height) {
        const int y = static_cast<int>(d.info.output_scanline);
        JSAMPROW rows[1] = {d.row.data()};
        jpeg_read_scanlines(&d.info, rows, 1);
        auto *out = reinterpret_cast<QRgb *>(d.picture.scanLine(y));
        const JSAMPLE *in = d.row.data();
        for (JDIMENSION x = 0; x < d.info.output_width; ++x) {
            out[x] = gray ? qRgb(in[0], in[0], in[0]) : qRgb(in[0], in[1], in[2]);
            in += gray ? 1 : 3;
        }
    }
    jpeg_finish_decompress(&d.info);
    const bool clean = d.errors.manager.num_warnings == 0;
    jpeg_destroy_decompress(&d.info);
    return clean;
}

QImage blankPicture(QSize size)
{
    if (!size.isValid())
        return {};
    QImage blank(size, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

// The sizes of the built-in JPEGs, as the windows lay them out.
QSize jpegSizeTable(const QString &fileName)
{
    static const QHash<QString, QSize> sizes = {
        {QStringLiteral("title.jpg"), {185, 50}},
        {QStringLiteral("splash_de.jpg"), {300, 200}},
        {QStringLiteral("splash_en.jpg"), {300, 200}},
        {QStringLiteral("gew_kein_de.jpg"), {400, 155}},
        {QStringLiteral("gew_kein_en.jpg"), {400, 155}},
        {QStringLiteral("gew_high_de.jpg"), {400, 340}},
        {QStringLiteral("gew_high_en.jpg"), {400, 340}},
        {QStringLiteral("druck_de.jpg"), {400, 155}},
        {QStringLiteral("druck_en.jpg"), {400, 155}},
        {QStringLiteral("help_header_de.jpg"), {543, 100}},
        {QStringLiteral("help_header_en.jpg"), {543, 100}},
        {QStringLiteral("donate.jpg"), {236, 290}},
    };
    return sizes.value(fileName);
}

QSize twiceSize(QSize size) { return size.isValid() ? size * 2 : size; }

QByteArray pictureBytes(const QString &fileName)
{
    initPictures();
    const bool twice = fileName.contains(QLatin1String("@2x."));
    QFile file((twice ? QStringLiteral(":/pictures/2x/") : QStringLiteral(":/pictures/")) + fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("built-in picture %s is missing", qPrintable(fileName));
        return {};
    }
    return file.readAll();
}

QImage decodePng(const QByteArray &bytes, const QString &fileName)
{
    const QImage picture = QImage::fromData(bytes, "PNG");
    if (picture.isNull()) {
        if (!bytes.isEmpty())
            qWarning("built-in picture %s cannot be read", qPrintable(fileName));
        return {};
    }
    // Icons keep their transparency; everything else is plain RGB32 like the JPEGs.
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
}

} // namespace

QSize builtInJpegSize(const QString &fileName) { return jpegSizeTable(fileName); }

QString twiceSizeName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName + QStringLiteral("@2x") : fileName.left(dot) + QStringLiteral("@2x") + fileName.mid(dot);
}

QImage decodeJpeg(const QByteArray &data, QSize expectedSize)
{
    JpegDecoder decoder;
    if (!runJpegDecoder(decoder, data)) {
        qWarning("damaged JPEG picture (%s); showing a blank picture instead", decoder.errors.message);
        return blankPicture(expectedSize);
    }
    if (expectedSize.isValid() && decoder.picture.size() != expectedSize) {
        qWarning("JPEG picture is %dx%d, expected %dx%d; showing a blank picture instead", decoder.picture.width(),
                 decoder.picture.height(), expectedSize.width(), expectedSize.height());
        return blankPicture(expectedSize);
    }
    return decoder.picture;
}

QImage builtInPicture(const QString &fileName)
{
    const QByteArray bytes = pictureBytes(fileName);
    if (fileName.endsWith(QLatin1String(".jpg")))
        return decodeJpeg(bytes, jpegSizeTable(fileName));
    return decodePng(bytes, fileName);
}

QImage builtInPicture(const QString &fileName, qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 1))
        return builtInPicture(fileName);
    const QString twiceName = twiceSizeName(fileName);
    const QByteArray bytes = pictureBytes(twiceName);
    QImage picture;
    if (fileName.endsWith(QLatin1String(".jpg"))) {
        // Not decodeJpeg: a damaged copy falls back to the plain picture, not to a blank one.
        JpegDecoder decoder;
        const QSize expected = twiceSize(jpegSizeTable(fileName));
        if (!runJpegDecoder(decoder, bytes))
            qWarning("damaged JPEG picture %s (%s)", qPrintable(twiceName), decoder.errors.message);
        else if (expected.isValid() && decoder.picture.size() != expected)
            qWarning("JPEG picture %s has the wrong size", qPrintable(twiceName));
        else
            picture = decoder.picture;
    } else {
        picture = decodePng(bytes, twiceName);
    }
    if (picture.isNull())
        return builtInPicture(fileName);
    picture.setDevicePixelRatio(2);
    return picture;
}

PictureList::PictureList(QSize pictureSize, QObject *parent) : QObject(parent), size_(pictureSize) {}

void PictureList::add(const QImage &picture)
{
    QImage p = picture.size() == size_ ? picture : picture.scaled(size_);
    pictures_.push_back(p.convertToFormat(QImage::Format_RGB32));
}

void PictureList::addStrip(const QImage &strip)
{
    for (int x = 0; x + size_.width() <= strip.width(); x += size_.width())
        add(strip.copy(x, 0, size_.width(), size_.height()));
}

const QImage &PictureList::picture(int k) const { return pictures_.at(static_cast<std::size_t>(k)); }

void PictureList::copyTo(int k, QImage &bitmap) const { bitmap = picture(k); }

void PictureList::loadTwiceSize() const
{
    const QSize size = size_ * 2;
    const QImage strip = twiceStripFile_.isEmpty() ? QImage() : builtInPicture(twiceStripFile_);
    if (strip.width() != size.width() * count() || strip.height() != size.height()) {
        // The plain pictures, scaled, keep the board drawable.
        qWarning("picture strip %s is missing or damaged; scaling the plain pictures", qPrintable(twiceStripFile_));
        for (const QImage &picture : pictures_)
            twice_.push_back(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        return;
    }
    for (int k = 0; k < count(); ++k)
        twice_.push_back(strip.copy(k * size.width(), 0, size.width(), size.height())
                             .convertToFormat(QImage::Format_RGB32));
}

const QImage &PictureList::devicePicture(int k, int side) const
{
    if (side != scaledSide_) {
        if (twice_.empty())
            loadTwiceSize();
        scaled_.clear();
        for (const QImage &picture : twice_)
            scaled_.push_back(picture.width() == side
                                  ? picture
                                  : picture.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaledSide_ = side;
    }
    return scaled_.at(static_cast<std::size_t>(k));
}

namespace {

constexpr char kElementLetters[] = "RBSKC"; // the element sets, in the order of BoardPictures::sets

// One picture list of the board, from its built-in strip, as a child of owner.
const PictureList *makePictureList(QObject *owner, const QString &name)
{
    const bool marks = name == QLatin1String("grauliste");
    auto *list = new PictureList(marks ? QSize(15, 15) : QSize(45, 45), owner);
    list->setObjectName(name);
    const int count = marks ? 2 : 10;
    // zahlen and zahlenfest are drawn by nothing; they share the classic digits.
    QString file = name + QStringLiteral(".png");
    if (name == QLatin1String("zahlen"))
        file = QStringLiteral("Knormal.png");
    else if (name == QLatin1String("zahlenfest"))
        file = QStringLiteral("Kfest.png");
    QImage strip = builtInPicture(file);
    const QSize stripSize(list->pictureSize().width() * count, list->pictureSize().height());
    if (strip.size() != stripSize) {
        // Keep the board drawable with plain cells rather than failing the game.
        qWarning("picture strip %s is damaged; using plain pictures", qPrintable(file));
        strip = QImage(stripSize, QImage::Format_RGB32);
        strip.fill(marks ? QColor(204, 204, 204) : QColor(Qt::white));
        if (marks)
            QPainter(&strip).fillRect(15, 0, 15, 15, Qt::white);
    }
    list->addStrip(strip);
    list->setTwiceSizeStrip(twiceSizeName(file));
    return list;
}

} // namespace

QStringList pictureListNames()
{
    QStringList names;
    for (QChar letter : QLatin1String(kElementLetters)) {
        names << QString(letter) + QStringLiteral("normal") << QString(letter) + QStringLiteral("fest");
    }
    names << QStringLiteral("grauliste") << QStringLiteral("zahlen") << QStringLiteral("zahlenfest");
    return names;
}

BoardPictures::ElementLists BoardPictures::forElements(char letter) const
{
    for (std::size_t i = 0; i < sets.size(); ++i)
        if (kElementLetters[i] == letter)
            return sets[i];
    return {};
}

BoardPictures createPictureLists(QObject *owner)
{
    BoardPictures made;
    for (std::size_t i = 0; i < made.sets.size(); ++i) {
        const QString letter(QLatin1Char(kElementLetters[i]));
        made.sets[i].normal = makePictureList(owner, letter + QStringLiteral("normal"));
        made.sets[i].fest = makePictureList(owner, letter + QStringLiteral("fest"));
    }
    made.grauliste = makePictureList(owner, QStringLiteral("grauliste"));
    made.zahlen = makePictureList(owner, QStringLiteral("zahlen"));
    made.zahlenfest = makePictureList(owner, QStringLiteral("zahlenfest"));
    return made;
}

} // namespace vantrell
