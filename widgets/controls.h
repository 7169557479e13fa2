// Small controls shared by the game's windows: pictures that show a raster picture at
// 1:1 or stretched, transparent caption labels that can be clicked, group boxes, and
// combo boxes that take no typed characters.
#pragma once

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <functional>

class QComboBox;

namespace vantrell {

// What a picture control is to the player: a plain picture, or a button or a link (a
// click, Space or Enter runs it; it takes the focus from Tab).
enum class PictureRole { Picture, Button, Link };

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setRole(PictureRole role);
    PictureRole role() const { return role_; }
    bool actsOnKeys() const { return role_ == PictureRole::Button || role_ == PictureRole::Link; }
    // Runs the control as a click on it does (a key, a screen reader's action).
    void activate() { emit clicked(); }

    void setPicture(const QImage &picture);
    // The picture together with the same picture drawn for a screen of a higher device
    // pixel ratio (its ratio set on it), which is shown where it suits the screen.
    void setPicture(const QImage &picture, const QImage &devicePicture);
    // A built-in picture; a JPEG is decoded only when it is first painted or read, so
    // windows that are not shown yet cost nothing at start-up. On a screen of a device pixel
    // ratio above 1 its copy at twice the size is shown.
    void setPictureFile(const QString &fileName);
    // The picture at one pixel a pixel, whatever the screen shows.
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
    // The picture for a screen of a higher device pixel ratio, where one is set or loaded.
    const QImage &devicePicture() const { return devicePicture_; }
    // The picture was changed in place: resize (with automatic sizing) and repaint.
    void pictureChanged();

    // The screen pixels the control covers in its window. At a fractional device pixel
    // ratio a control may begin between two of them; it then covers one pixel more or
    // fewer than its size times the ratio, and a picture drawn for the screen must be
    // drawn for exactly these.
    QSize deviceSize() const;

    // With automatic sizing the control takes the size of its picture; otherwise the
    // picture is stretched into the control.
    void setAutoSize(bool on);
    bool autoSize() const { return autoSize_; }

signals:
    // Positions are the logical pixels under the mouse.
    void pressed(Qt::MouseButton button, QPoint position);
    void clicked();
    // The control is painted at another device pixel ratio or on another number of screen
    // pixels (deviceSize) than before, also on the first paint.
    void deviceGeometryChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void ensureLoaded() const;
    const QImage &shownPicture(qreal ratio) const;

    mutable QImage picture_;
    mutable QImage devicePicture_;
    QString file_;                  // the built-in picture shown, if any
    mutable bool loaded_ = true;    // picture_ holds the file's picture
    mutable bool deviceLoaded_ = true;
    qreal paintedRatio_ = 0;
    QSize paintedDeviceSize_;
    bool autoSize_ = false;
    bool pressedInside_ = false;
    PictureRole role_ = PictureRole::Picture;
};

// A label with a transparent background that reports clicks.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text = {}, QWidget *parent = nullptr);

    // A label that stands alone (a link) takes the focus from Tab and runs on Space or
    // Enter; a caption over a picture button leaves that to the button.
    void setActsOnKeys(bool on);
    bool actsOnKeys() const { return actsOnKeys_; }
    void activate() { emit clicked(); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool pressedInside_ = false;
    bool actsOnKeys_ = false;
};

// A group box whose frame runs through the middle of its title, broken behind it. Styles
// that set the frame below the title run it under controls placed just below the title;
// here they stand clear of it, whatever the style.
class GroupBox : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Whether a key press is the one that runs a focused button: Space, Return or Enter
// without modifiers (held keys run it once).
bool isActivationKey(const QKeyEvent *event);

// The keys a small window answers: Enter or Escape alone, not repeated while held. Runs
// the matching action (an empty one leaves that key unanswered) and accepts the event;
// false when the key is not answered, for the window's own handling.
bool answerDialogKey(QKeyEvent *event, const std::function<void()> &enter, const std::function<void()> &escape);

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
