#include "widgets/controls.h"

#include "resources/pictures.h"
#include "widgets/keyboard_cues.h"

#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <qdrawutil.h>
#include <QtMath>

namespace vantrell {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {}

void PictureBox::setRole(PictureRole role)
{
    role_ = role;
    // Tab focus only: a click runs the button but leaves the focus where it was.
    setFocusPolicy(actsOnKeys() ? Qt::TabFocus : Qt::NoFocus);
}

bool answerDialogKey(QKeyEvent *event, const std::function<void()> &enter, const std::function<void()> &escape)
{
    if (event->isAutoRepeat() || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const std::function<void()> *action = nullptr;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        action = &enter;
        break;
    case Qt::Key_Escape:
        action = &escape;
        break;
    default:
        return false;
    }
    if (!*action)
        return false;
    event->accept();
    (*action)();
    return true;
}

bool isActivationKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return modifiers == Qt::NoModifier;
    default:
        return false;
    }
}

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
        // A small picture is read at once, its copy at twice the size on the first paint
        // on a dense screen.
        setPicture(builtInPicture(fileName));
        file_ = fileName;
        deviceLoaded_ = false;
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

QSize PictureBox::deviceSize() const
{
    // Qt shows a widget on the screen pixels from its left edge to its right edge, each
    // edge rounded to the nearest pixel of the window.
    const qreal ratio = devicePixelRatioF();
    const QPoint at = mapTo(window(), QPoint(0, 0));
    const auto span = [ratio](int from, int length) { return qRound((from + length) * ratio) - qRound(from * ratio); };
    return {span(at.x(), width()), span(at.y(), height())};
}

void PictureBox::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    const QSize device = deviceSize();
    if (ratio != paintedRatio_ || device != paintedDeviceSize_) {
        paintedRatio_ = ratio;
        paintedDeviceSize_ = device;
        emit deviceGeometryChanged();
    }
    const QImage &shown = shownPicture(ratio);
    const bool frame = actsOnKeys() && showsFocusCue(this);
    if (shown.isNull() && !frame)
        return;
    QPainter p(this);
    if (!shown.isNull() && autoSize_ && ratio > 1 && shown.devicePixelRatio() == ratio) {
        // Drawn for this screen: one picture pixel on each screen pixel, from the first
        // one the control covers (not from a point between two of them).
        const QPointF origin = p.deviceTransform().map(QPointF(0, 0));
        const QPointF first(qRound(origin.x()), qRound(origin.y()));
        p.drawImage((first - origin) / ratio, shown);
    } else if (!shown.isNull()) {
        // A picture drawn for another dense screen is scaled smoothly; a plain one stays as
        // crisp (and as blocky) as ever.
        if (shown.devicePixelRatio() > 1 && shown.devicePixelRatio() != ratio)
            p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (autoSize_ || shown.deviceIndependentSize() == QSizeF(size()))
            p.drawImage(QPointF(0, 0), shown);
        else
            p.drawImage(QRectF(rect()), shown);
    }
    if (frame)
        drawFocusFrame(p, rect().adjusted(3, 3, -3, -3));
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    if (!actsOnKeys() || !isActivationKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        activate();
}

void PictureBox::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void PictureBox::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
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

void ClickLabel::setActsOnKeys(bool on)
{
    actsOnKeys_ = on;
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (actsOnKeys_ && showsFocusCue(this)) {
        QPainter p(this);
        drawFocusFrame(p, rect());
    }
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    if (!actsOnKeys_ || !isActivationKey(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        activate();
}

void ClickLabel::focusInEvent(QFocusEvent *event)
{
    QLabel::focusInEvent(event);
    update();
}

void ClickLabel::focusOutEvent(QFocusEvent *event)
{
    QLabel::focusOutEvent(event);
    update();
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

void GroupBox::paintEvent(QPaintEvent *)
{
    // An etched frame drawn here, not by the style: a style may set its frame below the
    // title whatever rectangle it is given.
    QStylePainter p(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    QRect frame = rect();
    if (title().isEmpty()) {
        qDrawShadeRect(&p, frame, palette(), true, 1, 0);
        return;
    }
    // The title stands a little in from the corner, on a gap in the frame's top line.
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this).translated(8, 0);
    frame.setTop(label.center().y());
    p.save();
    p.setClipRegion(QRegion(rect()) - label.adjusted(-2, 0, 2, 0));
    qDrawShadeRect(&p, frame, palette(), true, 1, 0);
    p.restore();
    p.drawItemText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(), title(),
                   QPalette::WindowText);
}

namespace {

// Whether the box's current entry is the one that reads `text` (entries may repeat).
bool currentEntryReads(const QComboBox *box, const QString &text)
{
    return box->currentIndex() >= 0 && box->itemText(box->currentIndex()) == text;
}

int entryReading(const QComboBox *box, const QString &text)
{
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// Makes the current entry the one the editable box shows, keeping the text and its cursor
// as the player left them.
void currentEntryFromText(QComboBox *box)
{
    QLineEdit *edit = box->lineEdit();
    const QString text = edit->text();
    if (currentEntryReads(box, text))
        return;
    const QSignalBlocker blocker(box);
    const int index = entryReading(box, text);
    if (index >= 0) {
        box->setCurrentIndex(index); // the same text: the line edit is left alone
        return;
    }
    if (box->currentIndex() < 0)
        return;
    const int cursor = edit->cursorPosition();
    box->setCurrentIndex(-1); // this empties the line edit
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

bool movesThroughTheList(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F4:
        return true;
    default:
        return false;
    }
}

class ChoiceBoxFilter : public QObject {
public:
    explicit ChoiceBoxFilter(QComboBox *box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::InputMethod:
            return true;
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent *>(event));
        case QEvent::Wheel:
            syncBeforeMove();
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // A press on the box itself (not its text) opens the list.
            if (watched == box_)
                syncBeforeMove();
            return false;
        default:
            return false;
        }
    }

private:
    bool keyPress(QKeyEvent *key)
    {
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
        if (movesThroughTheList(key))
            syncBeforeMove();
        return false;
    }

    void syncBeforeMove()
    {
        if (box_->lineEdit())
            currentEntryFromText(box_);
    }

    QComboBox *box_;
};

} // namespace

void discardTypedKeys(QComboBox *box)
{
    auto *filter = new ChoiceBoxFilter(box);
    box->installEventFilter(filter);
    if (QLineEdit *edit = box->lineEdit()) {
        edit->installEventFilter(filter);
        // Qt matches an edited text to an entry when editing ends, ignoring case unless the
        // completer minds it; the game tells its choices apart by exact text.
        if (edit->completer())
            edit->completer()->setCaseSensitivity(Qt::CaseSensitive);
        // A pasted or undone text that is an entry becomes the current one at once; other
        // texts are dealt with before the next move, so that their undo history survives.
        QObject::connect(edit, &QLineEdit::textChanged, box, [box](const QString &text) {
            const int index = entryReading(box, text);
            if (index >= 0 && !currentEntryReads(box, text)) {
                const QSignalBlocker blocker(box);
                box->setCurrentIndex(index);
            }
        });
    }
}

QString comboText(const QComboBox *box) { return box->currentText(); }

void setComboText(QComboBox *box, const QString &text)
{
    const QSignalBlocker blocker(box);
    if (currentEntryReads(box, text)) {
        if (box->isEditable() && box->currentText() != text)
            box->setEditText(text);
        return;
    }
    const int index = entryReading(box, text);
    box->setCurrentIndex(index);
    if (box->isEditable() && index < 0)
        box->setEditText(text);
}

} // namespace vantrell
