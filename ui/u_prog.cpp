#include "ui/u_prog.h"

#include "core/generator.h"
#include "core/puzzle.h"
#include "core/random.h"
#include "core/settings.h"
#include "play/board_input.h"
#include "play/points.h"
#include "play/raster.h"
#include "print/page_field.h"
#include "resources/pictures.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "site_config.h"
#include "ui/app_windows.h"
#include "ui/controls.h"
#include "ui/open_url.h"
#include "ui/page_control.h"
#include "ui/show_window.h"
#include "ui/status_bar.h"
#include "ui/u_hilfe.h"
#include "ui/u_hilfe_en.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <algorithm>
#include <cmath>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextLayout>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

namespace vantrell {
namespace {

const QColor kWindowColour(236, 233, 216);
const QColor kMaroon(128, 0, 0);
constexpr int kClientWidth = 737;
constexpr int kClientHeight = 582;
constexpr int kStatusHeight = 19;
constexpr int kHelpMemoHeight = 71;
constexpr int kHelpBoxHeight = 97;
constexpr int kColumnGap = 8; // between the lowest group box and the status bar

// The height a memo without margins needs to show text wrapped at width, line by line as
// the plain-text memo lays it out.
int wrappedTextHeight(const QString &text, const QFont &font, int width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
    }
    return static_cast<int>(std::ceil(height));
}

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

PictureBox *makeButtonPicture(QWidget *parent, const char *name, const QImage &picture, QPoint at)
{
    auto *image = new PictureBox(parent);
    image->setObjectName(QLatin1String(name));
    image->setPicture(picture);
    image->setGeometry(QRect(at, picture.isNull() ? QSize(89, 21) : picture.size()));
    image->setCursor(Qt::PointingHandCursor);
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
    auto *box = new QGroupBox(title, parent);
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
    buildControls();
    FormCreate();
    layoutAnchored();
    centreOnScreen(this);
}

Tprog::~Tprog() = default;

void Tprog::buildControls()
{
    createPictureLists(this);
    const QImage smallButton = builtInPicture(QStringLiteral("button_small.png"));
    const QImage wideButton = builtInPicture(QStringLiteral("button_wide.png"));

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

    spielfeld_ = new PictureBox(ts1_);
    spielfeld_->setObjectName(QStringLiteral("spielfeld"));
    connect(spielfeld_, &PictureBox::pressed, this, &Tprog::spielfeldMouseDown);

    druckseite_ = new PictureBox(ts2_);
    druckseite_->setObjectName(QStringLiteral("druckseite"));
    druckseite_->setGeometry(25, 17, 434, 336);
    for (int i = 1; i <= 6; ++i) {
        auto *field = new PictureBox(ts2_);
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

    bitmaps_.zellbild = whitePicture(45, 45);
    bitmaps_.markenbild = whitePicture(15, 15);
    pcDrawTab();
}

QString Tprog::language() const { return spr_ ? spr_->text() : QString(); }

QImage Tprog::boardPicture() const { return spielfeld_->picture(); }

void Tprog::FormCreate()
{
    Sprache();
    game_.AufNullSetzen(1, 1, 1);
    Randomize();
    spielfeld_->setAutoSize(true);
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

void Tprog::setHelpLines(const QStringList &lines)
{
    hilfep_->setPlainText(lines.join(QLatin1Char('\n')));
    fitHelpBox();
}

void Tprog::fitHelpBox()
{
    // Nothing lies below the help box: a text longer than its designed height makes the
    // memo and its group box grow downwards, so the player always reads it whole.
    const int height = std::max(kHelpMemoHeight, wrappedTextHeight(hilfep_->toPlainText(), hilfep_->font(),
                                                                    hilfep_->width()));
    hilfep_->resize(hilfep_->width(), height);
    gb3_->resize(gb3_->width(), height + (kHelpBoxHeight - kHelpMemoHeight));
    keepColumnWhole();
}

void Tprog::keepColumnWhole()
{
    // The window never gets so small that the status bar covers the right-hand column,
    // nor smaller than a game's board needs.
    const int columnBottom = std::max({gb1_->geometry().bottom(), gb2_->isHidden() ? 0 : gb2_->geometry().bottom(),
                                       gb3_->geometry().bottom()});
    const Size narrowest = minimumWindowSize(3);
    setMinimumSize(std::max(narrowest.width, gameMinimum_.width),
                   std::max(columnBottom + 1 + kColumnGap + kStatusHeight, gameMinimum_.height));
}

QString Tprog::pointsText(std::int32_t points) const { return QString::number(points) + texts_.pointsSuffix; }

bool Tprog::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(event);
}

void Tprog::FormActivate()
{
    GbAnordnen();
    // The print page stays in front while it is the chosen mode, so the page always
    // matches the controls.
    if (druckmodus_ == 0)
        pc_->selectPage(0);
    druckseite_->setAutoSize(true);
    // The count list is rebuilt only when the game type changed since it was built, so
    // returning from another window keeps the player's chosen count.
    if (countList_ == CountRange{} || countListBuiltFor_ != comboText(cbspielart_))
        cbspielartChange();
    bitmaps_.markenbild = QImage(15, 15, QImage::Format_RGB32);
    bitmaps_.markenbild.fill(Qt::white);
}

void Tprog::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutAnchored();
}

void Tprog::layoutAnchored()
{
    const int w = width();
    const int h = height();
    pc_->setGeometry(8, 8, qMax(0, w - (kClientWidth - 509)), qMax(0, h - (kClientHeight - 549)));
    const QSize bevel(qMax(0, pc_->width() - 24), qMax(0, pc_->height() - 44));
    bevel1_->resize(bevel);
    bevel2_->resize(bevel);
    for (QGroupBox *box : {gbtitel_, gb1_, gb2_, gb3_})
        box->move(w - (kClientWidth - 530), box->y());
    stat_->setGeometry(0, h - kStatusHeight, w, kStatusHeight);
    FormResize();
}

void Tprog::FormResize()
{
    centreInFrame(spielfeld_);
    centreInFrame(druckseite_);
}

void Tprog::centreInFrame(QWidget *picture)
{
    picture->move(centredPosition(bevel1_->width(), picture->width()),
                  centredPosition(bevel1_->height(), picture->height()));
}

void Tprog::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void Tprog::FormClose()
{
    // A generation in progress learns through its pass callback that it must stop.
    closing_ = true;
    timer_->stop();
    weg_->stop();
    bitmaps_.markenbild = QImage();
    if (QWidget *start = appWindows().start)
        start->close();
}

void Tprog::GbAnordnen()
{
    int h = 42;
    for (QComboBox *box : {cbspielart_, cbgeloest_, cbelemente_})
        if (!box->isHidden())
            h += 24;
    if (!image4_->isHidden()) {
        image4_->move(image4_->x(), h);
        h += 24;
    }
    gb1_->resize(gb1_->width(), h + 4);
    const int t = gb1_->height() + 139;
    gb2_->move(gb2_->x(), t);
    gb3_->move(gb3_->x(), gb2_->isHidden() ? t : t + gb2_->height() + 9);
    label4_->move(label4_->x(), image4_->y() + 4);
    keepColumnWhole();
}

void Tprog::EinstellungenInvisible(bool value)
{
    cbspielart_->setVisible(value);
    cbelemente_->setVisible(value);
    cbgeloest_->setVisible(value);
}

void Tprog::pcChange()
{
    if (pc_->currentWidget() == ts1_) {
        druckmodus_ = 0;
        image4_->show();
        if (comboText(cbspiel_) == texts_.presets[kCustomPreset])
            cbelemente_->show();
        gb2_->hide();
        setHelpLines({texts_.helpPlay});
    } else {
        druckmodus_ = 1;
        image4_->hide();
        cbelemente_->hide();
        gb2_->show();
        setHelpLines({texts_.helpPrint});
        spielfeld_->hide();
        timer_->stop();
    }
    GbAnordnen();
}

void Tprog::pcDrawTab()
{
    const QColor colour = pc_->isEnabled() ? kMaroon : pc_->palette().color(QPalette::Disabled, QPalette::WindowText);
    pc_->tabBar()->setTabTextColor(0, colour);
    pc_->tabBar()->setTabTextColor(1, colour);
}

void Tprog::statClick(int x)
{
    if (stat_->panelAt(x) != 3)
        return;
    if (language() == QLatin1String("en"))
        openUrl(QStringLiteral("http://www.") + QLatin1String(build::softwareSiteEn) + QStringLiteral("/donate&rf=sus"));
    else
        openUrl(QStringLiteral("http://www.") + QLatin1String(build::softwareSiteDe) + QStringLiteral("/spenden&rf=sus"));
}

void Tprog::statMouseMove(int x)
{
    stat_->setCursor(stat_->panelAt(x) == 3 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void Tprog::Label2Click()
{
    QWidget *help = language() == QLatin1String("de") ? static_cast<QWidget *>(appWindows().hilfe)
                                                        : static_cast<QWidget *>(appWindows().hilfeEn);
    if (help)
        showActive(help);
}

void Tprog::Label3Click()
{
    const char *site = language() == QLatin1String("de") ? build::homeSiteDe : build::homeSiteEn;
    // The referrer follows a "/" after the bare domain, not the host name itself.
    openUrl(QStringLiteral("http://www.") + QLatin1String(site) + QStringLiteral("/&rf=sus"));
}

void Tprog::wegTimer()
{
    if (druckmodus_ == 1)
        pc_->selectPage(1);
    if (pc_->currentIndex() == 1)
        weg_->stop();
}

void Tprog::cbspielChange()
{
    if (comboText(cbspiel_).isEmpty())
        setComboText(cbspiel_, texts_.presets[kCustomPreset]);
    if (comboText(cbspiel_) == texts_.presets[kCustomPreset]) {
        EinstellungenInvisible(true);
        image4_->move(image4_->x(), 144);
    } else {
        EinstellungenInvisible(false);
        image4_->move(image4_->x(), 72);
    }
    GbAnordnen();
}

void Tprog::cbspielartChange()
{
    const QString type = comboText(cbspielart_);
    countListBuiltFor_ = type;
    CountRange range = countRangeFor(type.toStdString());
    if (range == CountRange{}) {
        // An emptied or pasted type has no counts of its own: the list of the last type
        // that had some stays, and before any the classic one.
        if (countList_ != CountRange{})
            return;
        range = countRangeOf(1);
    }
    buildCountList(range);
}

void Tprog::buildCountList(const CountRange &range)
{
    {
        const QSignalBlocker blocker(cbgeloest_);
        cbgeloest_->clear();
        for (int count = range.lowest; count <= range.highest; ++count)
            cbgeloest_->addItem(texts_.countPrefix + QString::number(count));
    }
    countList_ = range;
    setComboText(cbgeloest_, texts_.countPrefix + QString::number(range.initial()));
}

void Tprog::showPlayedCount()
{
    // The list kept for a pasted type may belong to another type than the one played.
    const CountRange range = countRangeOf(game_.spielart);
    if (range != countList_)
        buildCountList(range);
    setComboText(cbgeloest_, texts_.countPrefix + QString::number(game_.aufgedeckt));
}

// ---- Game start, clock and points -------------------------------------------------------

void Tprog::Spiel1Parametersetzen()
{
    const bool custom = readSettings({comboText(cbspiel_).toStdString(), comboText(cbspielart_).toStdString(),
                                      comboText(cbgeloest_).toStdString(), comboText(cbelemente_).toStdString()},
                                     settingsTexts(texts_), game_);
    if (custom)
        showPlayedCount();
    game_.groesse = sideLength(game_.spielart);
    prepareBoard(board_, game_.spielart, game_.groesse);
    spielfeld_->setPicture(board_.picture);
    gameMinimum_ = minimumWindowSize(game_.groesse);
    keepColumnWhole();
    centreInFrame(spielfeld_);
}

bool Tprog::Spiel2Generieren()
{
    spielstarten_->setEnabled(false);
    GeneratorServices services;
    services.onPass = [this](int pass) {
        QCoreApplication::processEvents();
        if (closing_)
            return false;
        stat_->setPanelText(1, QString::number(pass));
        return true;
    };
    const bool finished = vantrell::Spiel2Generieren(game_, services);
    spielstarten_->setEnabled(true);
    return finished;
}

void Tprog::Spiel3Vorbereiten() { vantrell::Spiel3Vorbereiten(game_); }

void Tprog::Ausgabe(int x1, int x2, int y1, int y2)
{
    vantrell::Ausgabe(board_, game_, *this, bitmaps_, x1, x2, y1, y2);
    spielfeld_->setPicture(board_.picture);
}

bool Tprog::Pruefen() const { return vantrell::Pruefen(game_); }

void Tprog::spielstartenClick()
{
    if (!image4_->isEnabled() && !spielstarten_->isEnabled())
        return; // a puzzle is being built already
    const BusyCursor busy;
    // Clicks on a grid under construction would only do harm.
    spiellaeuft_ = 0;
    bitmaps_.zellbild = whitePicture(45, 45);
    spielfeld_->show();
    pc_->setEnabled(false);
    image4_->setEnabled(false);
    label4_->setEnabled(false);
    timer_->stop();
    stat_->setPanelText(2, QStringLiteral("0") + texts_.pointsSuffix);
    stat_->setPanelText(0, texts_.statusGenerating);
    Spiel1Parametersetzen();
    if (!Spiel2Generieren())
        return; // the window is closing: the game is abandoned
    Spiel3Vorbereiten();
    const int n = game_.groesse;
    Ausgabe(1, n, 1, n);
    stat_->setPanelText(0, texts_.statusReady);
    punkte_ = startingPoints(n, game_.aufgedeckt, game_.spielart, game_.elemente);
    stat_->setPanelText(2, pointsText(punkte_));
    timer_->start();
    image4_->setEnabled(true);
    label4_->setEnabled(true);
    spiellaeuft_ = 1;
    setHelpLines({texts_.mouseHelp[0], texts_.mouseHelp[1], texts_.mouseHelp[2]});
    pc_->setEnabled(true);
}

void Tprog::TimerTimer()
{
    punkte_ = pointsAfterTick(punkte_);
    stat_->setPanelText(2, pointsText(punkte_));
}

void Tprog::spielfeldMouseDown(Qt::MouseButton button, QPoint position)
{
    if (spiellaeuft_ != 1)
        return;
    const auto hit = locateClick(position.x(), position.y(), game_.groesse);
    if (!hit)
        return;
    const BoardButton which = button == Qt::LeftButton    ? BoardButton::Left
                              : button == Qt::RightButton ? BoardButton::Right
                                                          : BoardButton::Middle;
    applyClick(game_, which, *hit);
    Ausgabe(hit->x, hit->x, hit->y, hit->y);
    if (Pruefen())
        gameSolved();
}

void Tprog::gameSolved()
{
    spiellaeuft_ = 0;
    timer_->stop();
    AppWindows &windows = appWindows();
    if (punkte_ < kHighscoreBar) {
        if (windows.gewKein)
            showActive(windows.gewKein);
        return;
    }
    if (windows.gewHigh) {
        // The result travels into the highscore window through its hidden labels.
        const auto setCaption = [&](const char *name, const QString &text) {
            if (auto *label = windows.gewHigh->findChild<QLabel *>(QLatin1String(name)))
                label->setText(text);
        };
        setCaption("lapunkte", QString::number(punkte_));
        setCaption("laspielart", QString::number(game_.spielart));
        setCaption("laaufgedeckt", QString::number(game_.aufgedeckt));
        setCaption("laelemente", QString(QLatin1Char(game_.elemente)));
        showActive(windows.gewHigh);
    }
}

// ---- Print page composition ---------------------------------------------------------------

PictureBox *Tprog::pageField(int i) const { return findChild<PictureBox *>(QStringLiteral("x%1").arg(i)); }

std::optional<PageFieldPuzzle> Tprog::pageFieldPuzzle(int i) const
{
    return i >= 1 && i <= int(pageFieldPuzzles_.size()) ? pageFieldPuzzles_[std::size_t(i - 1)] : std::nullopt;
}

void Tprog::vorschaudruckClick()
{
    Tdruckfenster *dialog = appWindows().druckfenster;
    if (!dialog || !isEnabled())
        return;
    const BusyCursor busy;
    pc_->selectPage(1);
    for (int i = 1; i <= felderproseite_; ++i) {
        PictureBox *field = pageField(i);
        field->setPicture(resizedPicture(resizedPicture(field->picture(), 1, field->picture().height()), 1, 1));
    }
    pageFieldPuzzles_ = {};
    setEnabled(false);
    // The count is the first character of the choice; only 1, 2 and 6 are offered.
    const QString choice = comboText(cbdruck_);
    const int count = choice.isEmpty() ? 0 : choice.front().digitValue();
    felderproseite_ = (count == 1 || count == 2 || count == 6) ? count : 6;
    showActive(dialog);
    dialog->setProgress(0);
    Spiel1Parametersetzen();
    stat_->setPanelText(0, texts_.statusPage);
    Druck1SeiteEinrichten();
    if (!Druck2Druckausgabe())
        return; // the window is closing: the page is abandoned
    stat_->setPanelText(0, texts_.statusReady);
    centreInFrame(druckseite_);
}

void Tprog::Druck1SeiteEinrichten()
{
    const int side = 45 * game_.groesse + 20;
    for (int i = 1; i <= felderproseite_; ++i) {
        PictureBox *field = pageField(i);
        // Width first, then height; new pixels are white.
        field->setPicture(resizedPicture(resizedPicture(field->picture(), side, field->picture().height()), side, side));
    }
}

bool Tprog::Druck2Druckausgabe()
{
    Tdruckfenster *dialog = appWindows().druckfenster;
    for (int i = 1; i <= felderproseite_; ++i) {
        PictureBox *field = pageField(i);
        if (!Spiel2Generieren())
            return false;
        Spiel3Vorbereiten();
        drawPageFieldInto(field->picture(), game_, texts_.footerLong, texts_.footerShort);
        pageFieldPuzzles_[std::size_t(i - 1)] = vantrell::pageFieldPuzzle(game_, texts_.footerLong, texts_.footerShort);
        field->pictureChanged();
        druckseite_->setPicture(field->picture());
        centreInFrame(druckseite_);
        dialog->setProgress((200 * i + felderproseite_) / (2 * felderproseite_));
    }
    dialog->uncover();
    return true;
}

} // namespace vantrell
