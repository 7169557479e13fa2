#include "resources/pictures.h"

#include <QFile>
#include <QPainter>

namespace vantrell {

QImage decodeJpeg(const QByteArray &, QSize expectedSize)
{
    // Placeholder until the libjpeg decoder lands.
    if (!expectedSize.isValid())
        return {};
    QImage blank(expectedSize, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

QImage builtInPicture(const QString &fileName)
{
    QFile file(QStringLiteral(":/pictures/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QImage::fromData(file.readAll()).convertToFormat(QImage::Format_RGB32);
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

QStringList pictureListNames()
{
    QStringList names;
    for (QChar letter : QStringLiteral("RBSKC")) {
        names << QString(letter) + QStringLiteral("normal") << QString(letter) + QStringLiteral("fest");
    }
    names << QStringLiteral("grauliste") << QStringLiteral("zahlen") << QStringLiteral("zahlenfest");
    return names;
}

void createPictureLists(QObject *owner)
{
    for (const QString &name : pictureListNames()) {
        const bool marks = name == QLatin1String("grauliste");
        auto *list = new PictureList(marks ? QSize(15, 15) : QSize(45, 45), owner);
        list->setObjectName(name);
        const int count = marks ? 2 : 10;
        QImage strip(list->pictureSize().width() * count, list->pictureSize().height(), QImage::Format_RGB32);
        strip.fill(marks ? QColor(204, 204, 204) : Qt::white);
        list->addStrip(strip);
    }
}

} // namespace vantrell
