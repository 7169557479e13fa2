#include "ui/controls.h"

#include "resources/pictures.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QtMath>

namespace vantrell {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage &picture) { setPicture(picture, QImage()); }

void PictureBox::setPicture(const QImage &picture, const QImage &devicePicture)
{
    file_.clear();
    loaded_ = deviceLoaded_ = true;
    picture_ = picture;
    devicePicture_ = devicePicture;
    pictureChanged();
}

void PictureBox::setPictureFile(const QString &fileName)
{
    const QSize size = builtInJpegSize(fileName);
    if (!size.isValid()) {
        setPicture(builtInPicture(fileName));
        return;
    }
    picture_ = devicePicture_ = QImage();
    file_ = fileName;
    loaded_ = deviceLoaded_ = false;
    if (autoSize_)
        resize(size);
    update();
}

void PictureBox::ensureLoaded() const
{
    if (loaded_)
        return;
    picture_ = builtInPicture(file_);
    loaded_ = true;
}

const QImage &PictureBox::shownPicture(qreal ratio) const
{
    if (ratio > 1) {
        if (!deviceLoaded_) {
            devicePicture_ = builtInPicture(file_, ratio);
            deviceLoaded_ = true;
        }
        if (!devicePicture_.isNull())
            return devicePicture_;
    }
    ensureLoaded();
    return picture_;
}

void PictureBox::pictureChanged()
{
    if (autoSize_ && !picture_.isNull())
        resize(picture_.size());
    update();
}

void PictureBox::setAutoSize(bool on)
{
    autoSize_ = on;
    if (on && !loaded_)
        resize(builtInJpegSize(file_));
    pictureChanged();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    if (ratio != paintedRatio_) {
        paintedRatio_ = ratio;
        emit devicePixelRatioChanged();
    }
    const QImage &shown = shownPicture(ratio);
    if (shown.isNull())
        return;
    QPainter p(this);
    // A picture drawn for another dense screen is scaled smoothly; a plain one stays as
    // crisp (and as blocky) as ever.
    if (shown.devicePixelRatio() > 1 && shown.devicePixelRatio() != ratio)
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (autoSize_ || shown.deviceIndependentSize() == QSizeF(size()))
        p.drawImage(QPointF(0, 0), shown);
    else
        p.drawImage(QRectF(rect()), shown);
}

namespace {

// At a fractional device pixel ratio the mouse lies between logical pixels; it is on the
// pixel that holds it, not on the nearest one (rounding would step past the last pixel).
QPoint logicalPixel(QPointF position) { return {qFloor(position.x()), qFloor(position.y())}; }

} // namespace

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    pressedInside_ = event->button() == Qt::LeftButton;
    emit pressed(event->button(), logicalPixel(event->position()));
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click =
        pressedInside_ && event->button() == Qt::LeftButton && rect().contains(logicalPixel(event->position()));
    pressedInside_ = false;
    if (click)
        emit clicked();
}

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    pressedInside_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressedInside_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressedInside_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

namespace {

class TypedKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::InputMethod)
            return true;
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        // Standard editing shortcuts stay; anything that would type a character goes.
        if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)
            || key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Undo))
            return false;
        const QString text = key->text();
        for (QChar c : text)
            if (c.isPrint())
                return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;
        return false;
    }
};

} // namespace

void discardTypedKeys(QComboBox *box)
{
    auto *filter = new TypedKeyFilter(box);
    box->installEventFilter(filter);
    if (box->lineEdit())
        box->lineEdit()->installEventFilter(filter);
}

QString comboText(const QComboBox *box) { return box->currentText(); }

void setComboText(QComboBox *box, const QString &text)
{
    const QSignalBlocker blocker(box);
    if (box->isEditable()) {
        box->setEditText(text);
        return;
    }
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
}

} // namespace vantrell
