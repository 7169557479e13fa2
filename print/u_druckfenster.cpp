#include "print/u_druckfenster.h"

#include "play/raster.h"
#include "resources/pictures.h"
#include "widgets/accessibility.h"
#include "widgets/controls.h"
#include "widgets/show_window.h"
#include "widgets/tool_window.h"
#include "widgets/window_drag.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

namespace vantrell {
namespace {

const QColor kCream(255, 253, 240);
const QColor kMaroon(128, 0, 0);

std::function<void(const QString &)> &errorReporter()
{
    static std::function<void(const QString &)> reporter;
    return reporter;
}

std::function<void(const QString &)> &noticeReporter()
{
    static std::function<void(const QString &)> reporter;
    return reporter;
}

QLabel *makeBand(QWidget *parent, const char *name, QRect geometry)
{
    auto *band = new QLabel(parent);
    band->setObjectName(QLatin1String(name));
    band->setGeometry(geometry);
    band->setAutoFillBackground(true);
    // Its own role: a child takes over the dialog's button-face role otherwise.
    band->setBackgroundRole(QPalette::Window);
    QPalette pal = band->palette();
    pal.setColor(QPalette::Window, kCream);
    band->setPalette(pal);
    return band;
}

// Text in its own colour: a label on the dialog's button-face ground paints in the
// button-text colour otherwise.
void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setForegroundRole(QPalette::WindowText);
}

ClickLabel *makeButtonCaption(QWidget *parent, const char *name, const QString &text, QPoint at)
{
    auto *label = new ClickLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    setTextColour(label, kMaroon);
    label->move(at);
    label->adjustSize();
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

} // namespace

void Tdruckfenster::setErrorReporter(std::function<void(const QString &)> reporter)
{
    errorReporter() = std::move(reporter);
}

void Tdruckfenster::setNoticeReporter(std::function<void(const QString &)> reporter)
{
    noticeReporter() = std::move(reporter);
}

Tdruckfenster::Tdruckfenster(const QLabel *spr, QWidget *mainWindow, PrintHost *host)
    : QWidget(nullptr, kCaptionOnlyToolWindow), spr_(spr), mainWindow_(mainWindow), host_(host)
{
    setObjectName(QStringLiteral("druckfenster"));
    setWindowTitle(QStringLiteral("Drucken"));
    setFixedSize(400, 155);
    if (mainWindow)
        setFont(mainWindow->font());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    // Created from back to front.
    auto makeBackground = [this](const char *name, const QString &file) {
        auto *image = new PictureBox(this);
        image->setObjectName(QLatin1String(name));
        image->setPictureFile(file);
        image->setGeometry(0, 0, 400, 155);
        image->hide();
        makeDragHandle(image, this);
        return image;
    };
    image4_ = makeBackground("Image4", QStringLiteral("druck_en.jpg"));
    image3_ = makeBackground("Image3", QStringLiteral("druck_de.jpg"));
    label1_ = new QLabel(QStringLiteral("-"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(383, 83, 13, 13);
    setTextColour(label1_, QColor(102, 0, 0));
    label2_ = makeBand(this, "Label2", {120, 120, 257, 33});
    auto makeButton = [&](const char *name, QPoint at) {
        auto *image = new PictureBox(this);
        image->setObjectName(QLatin1String(name));
        image->setPictureFile(QStringLiteral("button_small.png"));
        image->setGeometry(QRect(at, QSize(89, 21)));
        image->setCursor(Qt::PointingHandCursor);
        image->setRole(PictureRole::Button);
        return image;
    };
    image2_ = makeButton("Image2", {301, 125});
    image1_ = makeButton("Image1", {198, 125});
    label3_ = makeButtonCaption(this, "Label3", QStringLiteral("Drucken"), {224, 129});
    label4_ = makeButtonCaption(this, "Label4", QStringLiteral("Abbrechen"), {328, 129});
    verdeck_ = makeBand(this, "verdeck", {72, 120, 321, 33});
    cbdruck_ = new QComboBox(this);
    cbdruck_->setObjectName(QStringLiteral("cbdruck"));
    cbdruck_->setGeometry(79, 125, 105, 21);
    cbdruck_->setEditable(true);
    cbdruck_->lineEdit()->setReadOnly(true); // the text is "Standart" or a listed printer
    cbdruck_->setInsertPolicy(QComboBox::NoInsert);
    QPalette maroon = cbdruck_->palette();
    maroon.setColor(QPalette::Text, kMaroon);
    cbdruck_->setPalette(maroon);
    discardTypedKeys(cbdruck_);
    setComboText(cbdruck_, PrinterService::standardChoice());
    gauge1_ = new QProgressBar(this);
    gauge1_->setObjectName(QStringLiteral("gauge1"));
    gauge1_->setGeometry(79, 64, 313, 17);
    gauge1_->setRange(0, 100);
    gauge1_->setValue(0);
    gauge1_->setTextVisible(false);

    // The player's pick decides, not the text: a queue may be named like the placeholder.
    connect(cbdruck_, &QComboBox::activated, this, [this](int index) { picked_ = cbdruck_->itemText(index); });

    // Tab goes from the printer choice to print, then cancel.
    setTabOrder(cbdruck_, image1_);
    setTabOrder(image1_, image2_);
    setButtonsReachable(false);
    setAccessibleRole(this, QAccessible::Dialog);

    connect(image1_, &PictureBox::clicked, this, &Tdruckfenster::Image1Click);
    connect(label3_, &ClickLabel::clicked, this, &Tdruckfenster::Image1Click);
    connect(image2_, &PictureBox::clicked, this, &Tdruckfenster::Image2Click);
    connect(label4_, &ClickLabel::clicked, this, &Tdruckfenster::Image2Click);
    keepCaptionOnly(this);
    Sprache();
}

void Tdruckfenster::Sprache()
{
    const QString language = spr_ ? spr_->text() : QString();
    const bool de = language == QLatin1String("de");
    if (!de && language != QLatin1String("en"))
        return; // the designed state
    setWindowTitle(de ? QStringLiteral("Drucken") : QStringLiteral("Print"));
    image3_->setVisible(de);
    image4_->setVisible(!de);
    label1_->setVisible(de);
    label3_->setText(de ? QStringLiteral("Drucken") : QStringLiteral("Print"));
    label4_->setText(de ? QStringLiteral("Abbrechen") : QStringLiteral("Break"));
    label3_->adjustSize();
    label4_->adjustSize();
    image1_->setAccessibleName(label3_->text());
    image2_->setAccessibleName(label4_->text());
    setComboText(cbdruck_, PrinterService::standardChoice());
}

void Tdruckfenster::setSpeech(const PrintDialogSpeech &speech)
{
    for (PictureBox *picture : {image3_, image4_}) {
        picture->setAccessibleName(windowTitle());
        picture->setAccessibleDescription(speech.picture);
    }
    // On Linux Qt reads a combo box's value as its name and its label only from a buddy
    // label, which this box has none of: the description says what the box is.
    cbdruck_->setAccessibleName(speech.printer);
    cbdruck_->setAccessibleDescription(speech.printer);
    gauge1_->setAccessibleName(speech.progress);
}

void Tdruckfenster::setButtonsReachable(bool reachable)
{
    for (PictureBox *button : {image1_, image2_})
        button->setFocusPolicy(reachable ? Qt::TabFocus : Qt::NoFocus);
}

void Tdruckfenster::keyPressEvent(QKeyEvent *event)
{
    if (!answerDialogKey(event, [this] { Image1Click(); }, [this] { Image2Click(); }))
        QWidget::keyPressEvent(event);
}

bool Tdruckfenster::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (state_ == State::Hidden) // one that comes back stays where the player put it
            centreOnScreen(this);
        FormShow();
        break;
    case QEvent::WindowActivate:
        if (isVisible())
            FormActivate();
        break;
    case QEvent::Hide:
        if (!event->spontaneous())
            FormHide();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void Tdruckfenster::closeEvent(QCloseEvent *event)
{
    // No close is offered. One that comes anyway: while the page is composed the dialog
    // stays, since closing it would let a second preparation start in the middle of the
    // first; a ready dialog takes it as a cancel. (The program's end asks no window.)
    // While the print service is asked the page is in flight: its answer decides whether the
    // dialog closes or stays ready, so a close must wait for it.
    if (state_ == State::Covered || printing_) {
        event->ignore();
        return;
    }
    event->accept();
    if (state_ == State::Ready)
        Image2Click();
}

void Tdruckfenster::FormShow()
{
    // The list comes while the page is composed: a print service that does not answer
    // must not hold the dialog, and it keeps the list it had.
    printer_.requestPrinterNames(this, [this](const QStringList &names) { fillPrinterChoice(names); });
    // Only a new preparation covers the dialog. A dialog that comes back from a minimise
    // keeps its state: a ready one would otherwise stay covered with its page.
    if (state_ != State::Hidden)
        return;
    state_ = State::Covered;
    verdeck_->show();
    cbdruck_->hide();
    setButtonsReachable(false);
}

void Tdruckfenster::fillPrinterChoice(const QStringList &names)
{
    const QString text = comboText(cbdruck_);
    {
        const QSignalBlocker blocker(cbdruck_);
        cbdruck_->clear();
        cbdruck_->addItems(names);
    }
    setComboText(cbdruck_, text);
}

void Tdruckfenster::FormActivate()
{
    // Only a page still being composed is covered: re-activating a ready dialog (after
    // visiting another program) must not hide its buttons for good.
    if (state_ == State::Ready)
        return;
    verdeck_->show();
    cbdruck_->hide();
}

void Tdruckfenster::setProgress(int percent) { gauge1_->setValue(percent); }

void Tdruckfenster::uncover()
{
    verdeck_->hide();
    cbdruck_->show();
    state_ = State::Ready;
    setButtonsReachable(true);
    // Ready: Enter prints from here, Tab leads to cancel and the printer choice.
    image1_->setFocus(Qt::OtherFocusReason);
}

void Tdruckfenster::clearPageFields()
{
    if (!host_)
        return;
    for (int i = 1; i <= 6; ++i)
        if (PictureBox *field = host_->pageField(i))
            field->setPicture(whitePicture(1, 1)); // the next preparation keeps its corner pixel
    host_->pageFieldsCleared();
}

void Tdruckfenster::Image1Click()
{
    if (state_ != State::Ready || printing_)
        return;
    std::vector<PrintedField> fields;
    for (int i = 1; i <= 6 && host_; ++i)
        if (PictureBox *field = host_->pageField(i)) {
            PrintedField printed(field->picture());
            // The puzzle goes to the printer only where it is exactly what the player saw;
            // otherwise the picture does.
            if (auto puzzle = host_->pageFieldPuzzle(i);
                puzzle && pageFieldShows(printed.picture, *puzzle))
                printed.puzzle = std::move(puzzle);
            fields.push_back(std::move(printed));
        }
    // The print service may take seconds to answer; the windows go on painting meanwhile.
    printing_ = true;
    const PrintOutcome outcome = [&] {
        const BusyCursor busy;
        return printer_.print(picked_, fields, host_ ? host_->felderproseite() : 0);
    }();
    printing_ = false;
    // The main window was closed during the wait: the game ends, there is no one to tell.
    if (host_ && host_->isClosing())
        return;
    if (!outcome.ok) {
        // Not printed, or not known to be: say why and stay ready for another printer or a
        // cancel.
        report(outcome.reason, true);
        return;
    }
    clearPageFields();
    closeToMainWindow();
    if (!outcome.notice.isEmpty())
        report(outcome.notice, false);
}

void Tdruckfenster::report(const QString &text, bool error)
{
    if (const auto &reporter = error ? errorReporter() : noticeReporter()) {
        reporter(text);
        return;
    }
    // Printer names and the print service's texts come from outside: never markup.
    QWidget *parent = isVisible() || !mainWindow_ ? static_cast<QWidget *>(this) : mainWindow_;
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information, windowTitle(), text,
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Tdruckfenster::Image2Click()
{
    if (state_ != State::Ready || printing_)
        return;
    closeToMainWindow();
}

void Tdruckfenster::closeToMainWindow()
{
    hide(); // runs FormHide
    if (host_)
        host_->printDialogClosed();
    if (mainWindow_)
        showActive(mainWindow_);
}

void Tdruckfenster::FormHide()
{
    state_ = State::Hidden;
    clearPageFields();
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    if (host_)
        host_->printDialogHidden();
}

} // namespace vantrell
