// Small controls shared by the game's windows: pictures that show a raster picture at
// 1:1 or stretched, transparent caption labels that can be clicked, and combo boxes that
// take no typed characters.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>

class QComboBox;

namespace vantrell {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
    // A built-in picture, decoded only when it is first painted or read, so windows that
    // are not shown yet cost nothing at start-up.
    void setPictureFile(const QString &fileName);
    const QImage &picture() const
    {
        ensureLoaded();
        return picture_;
    }
    QImage &picture()
    {
        ensureLoaded();
        return picture_;
    }
    // The picture was changed in place: resize (with automatic sizing) and repaint.
    void pictureChanged();

    // With automatic sizing the control takes the size of its picture; otherwise the
    // picture is stretched into the control.
    void setAutoSize(bool on);
    bool autoSize() const { return autoSize_; }

signals:
    void pressed(Qt::MouseButton button, QPoint position);
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void ensureLoaded() const;

    mutable QImage picture_;
    mutable QString pendingFile_;
    bool autoSize_ = false;
    bool pressedInside_ = false;
};

// A label with a transparent background that reports clicks.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text = {}, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool pressedInside_ = false;
};

// Discards every typed character in the box (and its line edit), while deleting,
// pasting, copying and moving through the list stay possible. Every move (arrow keys,
// wheel, the opened list) starts from the entry the box shows: a pasted or undone text
// that is an entry becomes the current one, and before a move from a text that is none
// no entry is current, so Down goes to the first.
void discardTypedKeys(QComboBox *box);

// The text a combo box shows (its edit text, or the current entry of a list box).
QString comboText(const QComboBox *box);
// Sets that text without running the box's change handlers. The entry that reads exactly
// so becomes the current one; with no such entry none is.
void setComboText(QComboBox *box, const QString &text);

} // namespace vantrell
