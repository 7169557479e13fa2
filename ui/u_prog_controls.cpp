// The main window's controls, built in their stacking order, and its language step.
#include "ui/u_prog.h"

#include "ui/u_prog_look.h"
#include "core/settings.h"
#include "play/board_view.h"
#include "play/raster.h"
#include "resources/pictures.h"
#include "site_config.h"
#include "widgets/accessibility.h"
#include "widgets/controls.h"
#include "widgets/show_window.h"
#include "widgets/page_control.h"
#include "widgets/status_bar.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace vantrell {
using namespace prog;

namespace {

QFont windowFont()
{
    // The classic 8-point dialog face where it exists, else the first sans face of similar
    // metrics that is installed (fontconfig would otherwise substitute a wide one).
    const QStringList installed = QFontDatabase::families();
    QString family = QStringLiteral("DejaVu Sans");
    for (const char *candidate : {"MS Sans Serif", "Tahoma", "Nimbus Sans", "Liberation Sans", "Arial"}) {
        const QString name = QLatin1String(candidate);
        // Families may be listed with their foundry: "Nimbus Sans [urw]".
        const auto matches = [&](const QString &f) { return f == name || f.startsWith(name + QStringLiteral(" [")); };
        if (std::any_of(installed.begin(), installed.end(), matches)) {
            family = name;
            break;
        }
    }
    QFont font(family);
    font.setPixelSize(11);
    return font;
}

QComboBox *makeComboBox(QWidget *parent, const char *name, int top, bool editable)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setGeometry(8, top, 185, 21);
    box->setMaxVisibleItems(16);
    discardTypedKeys(box);
    return box;
}

PictureBox *makeButtonPicture(QWidget *parent, const char *name, const QString &pictureFile, QPoint at)
{
    auto *image = new PictureBox(parent);
    image->setObjectName(QLatin1String(name));
    image->setPictureFile(pictureFile);
    const QImage &picture = image->picture();
    image->setGeometry(QRect(at, picture.isNull() ? QSize(89, 21) : picture.size()));
    image->setCursor(Qt::PointingHandCursor);
    image->setRole(PictureRole::Button);
    return image;
}

ClickLabel *makeCaption(QWidget *parent, const char *name, const QString &text, QPoint at)
{
    auto *label = new ClickLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(at);
    label->adjustSize();
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

QToolButton *makeHiddenButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->hide();
    return button;
}

QGroupBox *makeGroupBox(QWidget *parent, const char *name, const QString &title, QRect geometry, const QPalette &palette)
{
    auto *box = new GroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setPalette(palette);
    return box;
}

template <std::size_t N>
void fillEntries(QComboBox *box, const std::array<QString, N> &entries)
{
    const QSignalBlocker blocker(box);
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<int>(i) < box->count())
            box->setItemText(static_cast<int>(i), entries[i]);
        else
            box->addItem(entries[i]);
    }
}

} // namespace

Tprog::Tprog(const QLabel *spr, QWidget *parent) : QWidget(parent), spr_(spr)
{
    setObjectName(QStringLiteral("prog"));
    setWindowTitle(QStringLiteral("Vantrell Sudoku 1.2"));
    setFont(windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowColour);
    setPalette(pal);
    setAutoFillBackground(true);
    resize(kClientWidth, kClientHeight);
    setAccessibleRole(this, QAccessible::Window);
    buildControls();
    buildShortcuts();
    FormCreate();
    layoutAnchored();
    centreOnScreen(this);
}

Tprog::~Tprog() = default;

void Tprog::buildControls()
{
    pictures_ = createPictureLists(this);
    const QString smallButton = QStringLiteral("button_small.png");
    const QString wideButton = QStringLiteral("button_wide.png");

    // Maroon captions; disabled ones (while a puzzle or a page is built) in the grey of
    // disabled text, so the player sees that they do not answer.
    QPalette maroon = palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText}) {
        const QColor disabled = maroon.color(QPalette::Disabled, role);
        maroon.setColor(role, kMaroon);
        maroon.setColor(QPalette::Disabled, role, disabled);
    }

    pc_ = new PageControl(this);
    pc_->setObjectName(QStringLiteral("pc"));
    pc_->setGeometry(8, 8, 509, 549);
    pc_->setPalette(maroon);
    pc_->tabBar()->setExpanding(false);
    connect(pc_, &PageControl::enabledChanged, this, &Tprog::pcDrawTab);
    ts1_ = new QWidget;
    ts1_->setObjectName(QStringLiteral("ts1"));
    ts2_ = new QWidget;
    ts2_->setObjectName(QStringLiteral("ts2"));
    pc_->addTab(ts1_, QStringLiteral("Am Computer spielen"));
    pc_->addTab(ts2_, QStringLiteral("Druckmodus"));
    connect(pc_, &PageControl::userChangedPage, this, &Tprog::pcChange);

    auto makeBevel = [](QWidget *page, const char *name) {
        auto *bevel = new QFrame(page);
        bevel->setObjectName(QLatin1String(name));
        bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
        bevel->setGeometry(8, 8, 485, 505);
        return bevel;
    };
    bevel1_ = makeBevel(ts1_, "Bevel1");
    bevel2_ = makeBevel(ts2_, "Bevel2");

    spielfeld_ = new BoardView(ts1_);
    spielfeld_->setObjectName(QStringLiteral("spielfeld"));
    spielfeld_->setGame(&game_);
    connect(spielfeld_, &PictureBox::pressed, this, &Tprog::spielfeldMouseDown);
    connect(spielfeld_, &BoardView::keyCommand, this, &Tprog::spielfeldKeyDown);
    // On a screen of another pixel density the board is drawn again for it.
    connect(spielfeld_, &PictureBox::deviceGeometryChanged, this, &Tprog::fitBoardToScreen, Qt::QueuedConnection);

    druckseite_ = new PictureBox(ts2_);
    druckseite_->setObjectName(QStringLiteral("druckseite"));
    druckseite_->setGeometry(25, 17, 434, 336);
    connect(druckseite_, &PictureBox::deviceGeometryChanged, this, &Tprog::fitPreviewToScreen, Qt::QueuedConnection);
    for (int i = 1; i <= 6; ++i) {
        auto *field = new PictureBox(ts2_);
        pageFields_[std::size_t(i - 1)] = field;
        field->setObjectName(QStringLiteral("x%1").arg(i));
        QImage blank(15, 15, QImage::Format_RGB32);
        blank.fill(Qt::white);
        field->setPicture(blank);
        field->setGeometry(0, 0, 15, 15);
        field->hide();
    }

    // Title box.
    gbtitel_ = makeGroupBox(this, "gbtitel", {}, {530, 24, 200, 97}, maroon);
    image1_ = new PictureBox(gbtitel_);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setPictureFile(QStringLiteral("title.jpg"));
    image1_->setGeometry(8, 12, 185, 50);
    image2_ = makeButtonPicture(gbtitel_, "Image2", smallButton, {8, 66});
    label2_ = makeCaption(gbtitel_, "Label2", QStringLiteral("Informationen"), {24, 70});
    image3_ = makeButtonPicture(gbtitel_, "Image3", smallButton, {104, 66});
    label3_ = makeCaption(gbtitel_, "Label3", QString::fromLatin1(build::homeSiteDe), {120, 70});
    for (QObject *o : {static_cast<QObject *>(image2_), static_cast<QObject *>(label2_)})
        connect(o, SIGNAL(clicked()), this, SLOT(Label2Click()));
    for (QObject *o : {static_cast<QObject *>(image3_), static_cast<QObject *>(label3_)})
        connect(o, SIGNAL(clicked()), this, SLOT(Label3Click()));

    // Game settings.
    gb1_ = makeGroupBox(this, "gb1", QStringLiteral("Spiel"), {530, 130, 200, 70}, maroon);
    cbspiel_ = makeComboBox(gb1_, "cbspiel", 18, true);
    cbspielart_ = makeComboBox(gb1_, "cbspielart", 42, true);
    cbgeloest_ = makeComboBox(gb1_, "cbgeloest", 66, true);
    cbelemente_ = makeComboBox(gb1_, "cbelemente", 90, true);
    cbspielart_->hide();
    cbgeloest_->hide();
    cbelemente_->hide();
    connect(cbspiel_, &QComboBox::currentTextChanged, this, &Tprog::cbspielChange);
    connect(cbspielart_, &QComboBox::currentTextChanged, this, &Tprog::cbspielartChange);
    image4_ = makeButtonPicture(gb1_, "Image4", wideButton, {8, 72});
    label4_ = makeCaption(gb1_, "Label4", QStringLiteral("Spiel Starten"), {24, 76});
    spielstarten_ = makeHiddenButton(gb1_, "spielstarten", QStringLiteral("Spiel Starten"));
    connect(image4_, &PictureBox::clicked, this, &Tprog::spielstartenClick);
    connect(label4_, &ClickLabel::clicked, this, &Tprog::spielstartenClick);
    connect(spielstarten_, &QToolButton::clicked, this, &Tprog::spielstartenClick);

    // Print settings.
    gb2_ = makeGroupBox(this, "gb2", QStringLiteral("Drucken"), {530, 209, 200, 70}, maroon);
    gb2_->hide();
    // Drawn like the other boxes of the column; its text is always one of its entries.
    cbdruck_ = makeComboBox(gb2_, "cbdruck", 18, true);
    cbdruck_->lineEdit()->setReadOnly(true);
    image5_ = makeButtonPicture(gb2_, "Image5", smallButton, {8, 42});
    image6_ = makeButtonPicture(gb2_, "Image6", smallButton, {104, 42});
    label6_ = makeCaption(gb2_, "Label6", QStringLiteral("Drucken"), {120, 46});
    image6_->setEnabled(false);
    label6_->setEnabled(false);
    // The two small buttons under the preparation button are never seen: neither Tab nor a
    // screen reader should find them.
    image5_->setRole(PictureRole::Picture);
    image6_->setRole(PictureRole::Picture);
    for (QWidget *unseen : {static_cast<QWidget *>(image5_), static_cast<QWidget *>(image6_),
                            static_cast<QWidget *>(label6_)})
        setUnseen(unseen);
    // The wide preparation button lies above the two small ones, which are never seen.
    image7_ = makeButtonPicture(gb2_, "Image7", wideButton, {8, 42});
    label5_ = makeCaption(gb2_, "Label5", QStringLiteral("Vorbereiten"), {24, 46});
    vorschaudruck_ = makeHiddenButton(gb2_, "vorschaudruck", QStringLiteral("Vorschau"));
    drucken_ = makeHiddenButton(gb2_, "drucken", QStringLiteral("Drucken"));
    connect(image7_, &PictureBox::clicked, this, &Tprog::vorschaudruckClick);
    connect(label5_, &ClickLabel::clicked, this, &Tprog::vorschaudruckClick);
    connect(vorschaudruck_, &QToolButton::clicked, this, &Tprog::vorschaudruckClick);

    // Help box.
    gb3_ = makeGroupBox(this, "gb3", QStringLiteral("Hilfe"), {530, 209, 200, kHelpBoxHeight}, maroon);
    hilfep_ = new QPlainTextEdit(gb3_);
    hilfep_->setObjectName(QStringLiteral("hilfep"));
    hilfep_->setGeometry(8, 18, 185, kHelpMemoHeight);
    hilfep_->setReadOnly(true);
    hilfep_->setFrameShape(QFrame::NoFrame);
    hilfep_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A memo without scroll bars: the box grows to its text instead (see fitHelpBox).
    hilfep_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hilfep_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hilfep_->document()->setDocumentMargin(0);
    QPalette memo = hilfep_->palette();
    memo.setColor(QPalette::Base, kWindowColour);
    memo.setColor(QPalette::Text, QColor(64, 64, 64));
    hilfep_->setPalette(memo);

    stat_ = new StatusBar({150, 50, 120, 50}, this);
    stat_->setObjectName(QStringLiteral("stat"));
    stat_->setLinkPanel(3); // the donation line
    connect(stat_, &StatusBar::clickedAt, this, &Tprog::statClick);
    connect(stat_, &StatusBar::mouseMovedTo, this, &Tprog::statMouseMove);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer"));
    timer_->setInterval(50);
    timer_->setTimerType(Qt::PreciseTimer); // the points are the clock: 20 a second
    connect(timer_, &QTimer::timeout, this, &Tprog::TimerTimer);
    weg_ = new QTimer(this);
    weg_->setObjectName(QStringLiteral("weg"));
    weg_->setInterval(10);
    connect(weg_, &QTimer::timeout, this, &Tprog::wegTimer);

    bitmaps_.zellbild = whitePicture(kCellPixels, kCellPixels);
    bitmaps_.markenbild = whitePicture(kMarkPixels, kMarkPixels);
    pcDrawTab();
}

void Tprog::buildShortcuts()
{
    // None of these keys does anything in the controls they may be pressed in.
    const auto shortcut = [this](QKeySequence keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    const auto startGame = [this] {
        if (!image4_->isHidden() && image4_->isEnabled())
            spielstartenClick();
    };
    shortcut(QKeySequence(Qt::Key_F2), startGame);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_N), startGame);
    // The tabs, as a click on them: the page changes and pcChange runs. The focus goes to
    // what the page is for: the board where one is shown, else the game or print settings.
    shortcut(QKeySequence(Qt::ALT | Qt::Key_1), [this] {
        if (!pc_->isEnabled())
            return;
        pc_->setCurrentIndex(0);
        const bool board = !spielfeld_->isHidden() && spielfeld_->side() > 0;
        (board ? static_cast<QWidget *>(spielfeld_) : cbspiel_)->setFocus(Qt::ShortcutFocusReason);
    });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_2), [this] {
        if (!pc_->isEnabled())
            return;
        pc_->setCurrentIndex(1);
        cbdruck_->setFocus(Qt::ShortcutFocusReason);
    });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
        if (!gb2_->isHidden())
            vorschaudruckClick();
    });
    shortcut(QKeySequence(Qt::Key_F1), [this] { Label2Click(); });
    // A box's own editor keeps Ctrl+Z for its text (it takes the key before the window does).
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoStep(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { redoStep(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { redoStep(); });
}

void Tprog::Sprache()
{
    texts_ = textsFor(language());
    if (language() == QLatin1String("de") || language() == QLatin1String("en")) {
        label2_->setText(texts_.label2);
        label3_->setText(texts_.label3);
        stat_->setPanelText(0, texts_.status0);
        stat_->setPanelText(3, texts_.status3);
        pc_->setTabText(0, texts_.ts1);
        pc_->setTabText(1, texts_.ts2);
        gb1_->setTitle(texts_.gb1);
        label4_->setText(texts_.label4);
        gb2_->setTitle(texts_.gb2);
        label5_->setText(texts_.label5);
        vorschaudruck_->setText(texts_.vorschaudruck);
        drucken_->setText(texts_.drucken);
        gb3_->setTitle(texts_.gb3);
        for (QLabel *label : {static_cast<QLabel *>(label2_), static_cast<QLabel *>(label3_),
                              static_cast<QLabel *>(label4_), static_cast<QLabel *>(label5_)})
            label->adjustSize();
    }
    // The picture buttons are named by their captions.
    image2_->setAccessibleName(label2_->text());
    image3_->setAccessibleName(label3_->text());
    image4_->setAccessibleName(label4_->text());
    image7_->setAccessibleName(label5_->text());
    image1_->setAccessibleName(texts_.titlePicture);
    druckseite_->setAccessibleName(texts_.pagePreview);
    spielfeld_->setSpeech(texts_.board);
    // Whatever the language, the boxes and the help box take the text variables.
    fillEntries(cbspiel_, texts_.presets);
    setComboText(cbspiel_, texts_.presets[kInitialPreset]);
    fillEntries(cbspielart_, texts_.gameTypes);
    setComboText(cbspielart_, texts_.gameTypes[7]);
    fillEntries(cbelemente_, texts_.elementSets);
    setComboText(cbelemente_, texts_.elementSets[1]);
    setComboText(cbgeloest_, texts_.countPrefix + QStringLiteral("1"));
    fillEntries(cbdruck_, texts_.perPage);
    setComboText(cbdruck_, texts_.perPage[2]);
    setHelpLines({texts_.helpWelcome});
}

} // namespace vantrell
