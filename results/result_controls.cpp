#include "results/result_controls.h"

#include "resources/pictures.h"
#include "widgets/accessibility.h"

#include "widgets/show_window.h"
#include "widgets/tool_window.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>

namespace vantrell {

QLabel *makePointsLabel(QWidget *parent, QPoint at)
{
    auto *label = new QLabel(QStringLiteral("1000 Punkte"), parent);
    label->setObjectName(QStringLiteral("Label1"));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(102, 0, 0));
    label->setPalette(pal);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->move(at);
    label->adjustSize();
    return label;
}

PictureBox *makeBackground(QWidget *parent, const char *name, const QString &picture)
{
    auto *image = new PictureBox(parent);
    image->setObjectName(QLatin1String(name));
    image->setPictureFile(picture);
    image->setGeometry(parent->rect());
    image->hide();
    return image;
}

PictureBox *makeClickArea(QWidget *parent, const char *name, QRect geometry)
{
    auto *area = new PictureBox(parent);
    area->setObjectName(QLatin1String(name));
    area->setGeometry(geometry);
    area->setCursor(Qt::PointingHandCursor);
    area->setRole(PictureRole::Button);
    return area;
}

ResultWindow::ResultWindow(const QLabel *spr, QWidget *mainWindow, const ResultHost *host, const char *name,
                           const QString &designTitle, QSize size, QPoint pointsLabelAt)
    : QWidget(nullptr, kCaptionOnlyToolWindow), spr_(spr), mainWindow_(mainWindow), host_(host)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(designTitle);
    setFixedSize(size);
    if (mainWindow)
        setFont(mainWindow->font());
    label1_ = makePointsLabel(this, pointsLabelAt);
    keepCaptionOnly(this);
    // A screen reader reads a dialog's text when it opens, the points with it.
    setAccessibleRole(this, QAccessible::Dialog);
}

void ResultWindow::setSpeech(const ResultSpeech &speech) { speech_ = speech; }

void ResultWindow::keyPressEvent(QKeyEvent *event)
{
    if (!answerDialogKey(event, [this] { enterPressed(); }, [this] { closeWithoutButton(); }))
        QWidget::keyPressEvent(event);
}

QString ResultWindow::language() const { return spr_ ? spr_->text() : QString(); }

bool ResultWindow::event(QEvent *event)
{
    // An activation that arrives after the window was closed again changes nothing.
    if (event->type() == QEvent::WindowActivate && isVisible())
        FormActivate();
    else if (event->type() == QEvent::Show) {
        centreOnScreen(this);
        if (QWidget *first = firstFocus())
            first->setFocus(Qt::OtherFocusReason);
    }
    return QWidget::event(event);
}

void ResultWindow::closeEvent(QCloseEvent *event)
{
    // Accepted always: a refused close would also stop the program from ending.
    event->accept();
    if (isVisible())
        closeWithoutButton();
}

void ResultWindow::FormActivate()
{
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    label1_->setText(host_ ? host_->pointsPanelText() : QString());
    label1_->adjustSize();
    if (!speech_.solvedWith.isEmpty()) {
        setAccessibleDescription(speech_.solvedWith.arg(label1_->text()));
        if (QAccessible::isActive()) {
            QAccessibleEvent described(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&described);
        }
    }
}

void ResultWindow::returnToMainWindow()
{
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    hide();
    if (mainWindow_)
        showActive(mainWindow_);
}

} // namespace vantrell
