#include "ui/controls.h"

#include "resources/pictures.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace vantrell {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage &picture)
{
    pendingFile_.clear();
    picture_ = picture;
    pictureChanged();
}

void PictureBox::setPictureFile(const QString &fileName)
{
    const QSize size = builtInJpegSize(fileName);
    if (!size.isValid()) {
        setPicture(builtInPicture(fileName));
        return;
    }
    picture_ = QImage();
    pendingFile_ = fileName;
    if (autoSize_)
        resize(size);
    update();
}

void PictureBox::ensureLoaded() const
{
    if (pendingFile_.isEmpty())
        return;
    picture_ = builtInPicture(pendingFile_);
    pendingFile_.clear();
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
    if (on && !pendingFile_.isEmpty())
        resize(builtInJpegSize(pendingFile_));
    pictureChanged();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    ensureLoaded();
    if (picture_.isNull())
        return;
    QPainter p(this);
    if (autoSize_ || picture_.size() == size())
        p.drawImage(0, 0, picture_);
    else
        p.drawImage(rect(), picture_);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    pressedInside_ = event->button() == Qt::LeftButton;
    emit pressed(event->button(), event->position().toPoint());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressedInside_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
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
