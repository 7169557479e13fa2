#include "ui/u_prog.h"

#include "ui/u_prog_look.h"

#include "core/generator.h"
#include "core/points.h"
#include "core/puzzle.h"
#include "core/random.h"
#include "core/settings.h"
#include "play/board_input.h"
#include "play/board_view.h"
#include "play/raster.h"
#include "print/page_field.h"
#include "resources/pictures.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "site_config.h"
#include "ui/app_windows.h"
#include "widgets/controls.h"
#include "widgets/keyboard_cues.h"
#include "widgets/open_url.h"
#include "widgets/page_control.h"
#include "widgets/show_window.h"
#include "widgets/status_bar.h"
#include "ui/u_hilfe.h"
#include "ui/u_hilfe_en.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
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
using namespace prog;

namespace {

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

} // namespace


QString Tprog::language() const { return spr_ ? spr_->text() : QString(); }

QImage Tprog::boardPicture() const { return spielfeld_->picture(); }

void Tprog::FormCreate()
{
    Sprache();
    game_.AufNullSetzen(1, 1, 1);
    Randomize();
    spielfeld_->setAutoSize(true);
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

QString Tprog::pointsPanelText() const { return stat_->panelText(2); }

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
    bitmaps_.markenbild = QImage(kMarkPixels, kMarkPixels, QImage::Format_RGB32);
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
    fitBoardToScreen();
    fitPreviewToScreen();
}

void Tprog::fitBoardToScreen()
{
    if (board_.picture.isNull())
        return;
    if (setBoardDeviceGeometry(board_, spielfeld_->devicePixelRatioF(), spielfeld_->deviceSize(), game_, pictures_))
        spielfeld_->setPicture(board_.picture, board_.devicePicture);
}

void Tprog::fitPreviewToScreen()
{
    if (!previewPuzzle_)
        return;
    const qreal ratio = druckseite_->devicePixelRatioF();
    const QSize pixels = druckseite_->deviceSize();
    const QImage &shown = druckseite_->devicePicture();
    if (ratio > 1 ? shown.devicePixelRatio() == ratio && shown.size() == pixels : shown.isNull())
        return;
    const QImage picture = druckseite_->picture();
    druckseite_->setPicture(picture, ratio > 1 ? drawPageFieldForScreen(*previewPuzzle_, ratio, pixels) : QImage());
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
    spielfeld_->boardBuilding(); // the grids are about to change under the board
    history_.clear();
    game_.groesse = sideLength(game_.spielart);
    prepareBoard(board_, game_.spielart, game_.groesse, spielfeld_->devicePixelRatioF());
    spielfeld_->setPicture(board_.picture, board_.devicePicture);
    gameMinimum_ = minimumWindowSize(game_.groesse);
    keepColumnWhole();
    centreInFrame(spielfeld_);
    fitBoardToScreen(); // the new board's place may begin between two screen pixels
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
    // The board control lets go of the pictures while they are drawn on, so that drawing
    // does not copy them first.
    spielfeld_->setPicture({}, {});
    vantrell::Ausgabe(board_, game_, pictures_, bitmaps_, x1, x2, y1, y2);
    spielfeld_->setPicture(board_.picture, board_.devicePicture);
}

bool Tprog::Pruefen() const { return vantrell::Pruefen(game_); }

void Tprog::spielstartenClick()
{
    if (!image4_->isEnabled() && !spielstarten_->isEnabled())
        return; // a puzzle is being built already
    const BusyCursor busy;
    // Clicks on a grid under construction would only do harm.
    spiellaeuft_ = 0;
    bitmaps_.zellbild = whitePicture(kCellPixels, kCellPixels);
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
    spielfeld_->boardStarted();
    stat_->setPanelText(0, texts_.statusReady);
    punkte_ = startingPoints(n, game_.aufgedeckt, game_.spielart, game_.elemente);
    stat_->setPanelText(2, pointsText(punkte_));
    timer_->start();
    image4_->setEnabled(true);
    label4_->setEnabled(true);
    spiellaeuft_ = 1;
    setHelpLines({texts_.mouseHelp[0], texts_.mouseHelp[1], texts_.mouseHelp[2]});
    pc_->setEnabled(true);
    // Started from the keyboard, the game goes on there: the keys play the board at once.
    if (keyboardInUse() && isActiveWindow())
        spielfeld_->setFocus(Qt::OtherFocusReason);
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
    history_.play(game_, clickChange(game_, which, *hit));
    cellPlayed(hit->x, hit->y);
}

void Tprog::spielfeldKeyDown(const BoardKeyCommand &command, int x, int y)
{
    if (spiellaeuft_ != 1)
        return;
    const int n = game_.groesse;
    if (x < 1 || y < 1 || x > n || y > n)
        return;
    history_.play(game_, keyChange(game_, command, x, y));
    cellPlayed(x, y);
}

void Tprog::undoStep() { stepThroughHistory(true); }

void Tprog::redoStep() { stepThroughHistory(false); }

void Tprog::stepThroughHistory(bool back)
{
    // Only on the board of a running game: not while a puzzle or a print page is built,
    // nor once the game has ended.
    if (spiellaeuft_ != 1 || druckmodus_ != 0 || !isEnabled() || spielfeld_->isHidden())
        return;
    const std::optional<CellChange> step = back ? history_.undo(game_) : history_.redo(game_);
    if (!step)
        return;
    spielfeld_->setFocus(Qt::ShortcutFocusReason);
    spielfeld_->setFocusCell(step->x, step->y);
    cellPlayed(step->x, step->y);
}

void Tprog::cellPlayed(int x, int y)
{
    Ausgabe(x, x, y, y);
    spielfeld_->cellChanged(x, y);
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
        windows.gewHigh->setResult(punkte_, game_.spielart, game_.aufgedeckt, game_.elemente);
        showActive(windows.gewHigh);
    }
}

// ---- Print page composition ---------------------------------------------------------------

PictureBox *Tprog::pageField(int i) const
{
    return i >= 1 && i <= int(pageFields_.size()) ? pageFields_[std::size_t(i - 1)] : nullptr;
}

std::optional<PageFieldPuzzle> Tprog::pageFieldPuzzle(int i) const
{
    return i >= 1 && i <= int(pageFieldPuzzles_.size()) ? pageFieldPuzzles_[std::size_t(i - 1)] : std::nullopt;
}

void Tprog::printDialogHidden()
{
    // The play page comes to the front next (the dialog's close selects it); weg brings the
    // print page back right after.
    pc_->selectPage(1);
    weg_->start();
}

void Tprog::printDialogClosed() { pc_->selectPage(0); }

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
    const int side = pageFieldSide(game_.groesse);
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
        previewPuzzle_ = pageFieldPuzzles_[std::size_t(i - 1)];
        druckseite_->setPicture(field->picture());
        centreInFrame(druckseite_);
        fitPreviewToScreen();
        dialog->setProgress((200 * i + felderproseite_) / (2 * felderproseite_));
    }
    dialog->uncover();
    return true;
}

} // namespace vantrell
