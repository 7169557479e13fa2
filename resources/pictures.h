// The built-in pictures: decoding, loading and the picture lists of the board.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <array>
#include <vector>

namespace vantrell {

// Registers the embedded pictures (":/pictures/..."). A static library's resources need
// this once; builtInPicture and createPictureLists call it themselves.
void initPictures();

// Decodes a JPEG held in memory through libjpeg into an RGB32 picture. A corrupt or
// cut-off picture is logged and gives a blank white picture of expectedSize (a null
// picture when no size is expected); it never ends the process.
QImage decodeJpeg(const QByteArray &data, QSize expectedSize = {});

// A built-in picture by its file name in resources/pictures, e.g. "title.jpg".
// JPEGs are decoded through decodeJpeg, other formats through QImage.
QImage builtInPicture(const QString &fileName);

// The name of the copy of a built-in picture drawn at twice its size: "title.jpg" gives
// "title@2x.jpg".
QString twiceSizeName(const QString &fileName);

// The built-in picture for a screen of this device pixel ratio: above 1 the copy drawn at
// twice the size, with its device pixel ratio set to 2, so Qt shows it sharp; at 1, and
// where that copy is missing or damaged, the picture itself.
QImage builtInPicture(const QString &fileName, qreal devicePixelRatio);

// The size of a built-in JPEG, known without decoding it (invalid for other files).
QSize builtInJpegSize(const QString &fileName);

// Equally sized pictures numbered from 0. Its objectName is the list's name.
class PictureList : public QObject {
    Q_OBJECT
public:
    explicit PictureList(QSize pictureSize, QObject *parent = nullptr);

    QSize pictureSize() const { return size_; }
    int count() const { return static_cast<int>(pictures_.size()); }
    // Adds a picture; one of another size is scaled to the list's size.
    void add(const QImage &picture);
    // Cuts a horizontal strip of count() pictures into the list.
    void addStrip(const QImage &strip);
    const QImage &picture(int k) const;
    // Copies picture k into bitmap, which takes the list's picture size.
    void copyTo(int k, QImage &bitmap) const;

    // The built-in strip of this list drawn at twice the size, read on first use.
    void setTwiceSizeStrip(const QString &fileName) { twiceStripFile_ = fileName; }
    // Picture k for side x side screen pixels (a square list): from the strip at twice the
    // size, scaled smoothly where side is not twice the picture size. The pictures of one
    // side are kept until another side is asked for. Without that strip the plain
    // pictures are scaled.
    const QImage &devicePicture(int k, int side) const;

private:
    void loadTwiceSize() const;

    QSize size_;
    std::vector<QImage> pictures_;
    QString twiceStripFile_;
    mutable std::vector<QImage> twice_;
    mutable std::vector<QImage> scaled_;
    mutable int scaledSide_ = 0;
};

// The names of the board's picture lists: letter + "normal"/"fest" for R, B, S, K, C,
// then "grauliste", "zahlen" and "zahlenfest".
QStringList pictureListNames();

// The board's picture lists as createPictureLists made them, so the drawing never looks
// them up by name. The lists belong to the owner they were created for.
struct BoardPictures {
    // The pictures of one element set: the player's entries and the given cells.
    struct ElementLists {
        const PictureList *normal = nullptr;
        const PictureList *fest = nullptr;
    };
    // The lists of element set R, B, S, K or C; none for any other letter.
    ElementLists forElements(char letter) const;

    std::array<ElementLists, 5> sets; // R, B, S, K, C
    const PictureList *grauliste = nullptr; // the mark pictures
    const PictureList *zahlen = nullptr;
    const PictureList *zahlenfest = nullptr;
};

// Creates every picture list of the board as a child of owner, named as above.
BoardPictures createPictureLists(QObject *owner);

} // namespace vantrell
