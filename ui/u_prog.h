// The main window: the board and the print page on the left, the title, the game
// settings, the print settings and the help box on the right, the status bar below.
#pragma once

#include "core/game_state.h"
#include "core/play_history.h"
#include "play/board_keys.h"
#include "play/board_renderer.h"
#include "print/u_druckfenster.h"
#include "results/result_controls.h"
#include "ui/texts.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTimer;
class QToolButton;

namespace vantrell {

class BoardView;
class ClickLabel;
class PageControl;
class PictureBox;
class StatusBar;

class Tprog : public QWidget, public PrintHost, public ResultHost {
    Q_OBJECT
public:
    // spr is the splash window's hidden label whose caption is the interface language.
    explicit Tprog(const QLabel *spr, QWidget *parent = nullptr);
    ~Tprog() override;

    // The game state and the play flags (tests and the other windows read them).
    GameState &game() { return game_; }
    std::int32_t punkte() const { return punkte_; }
    void setPunkte(std::int32_t points) { punkte_ = points; }
    std::uint8_t spiellaeuft() const { return spiellaeuft_; }
    std::uint8_t druckmodus() const { return druckmodus_; }
    std::int32_t felderproseite() const override { return felderproseite_; }
    PictureBox *pageField(int i) const override;
    std::optional<PageFieldPuzzle> pageFieldPuzzle(int i) const override;
    void pageFieldsCleared() override { pageFieldPuzzles_ = {}; }
    void printDialogHidden() override;
    void printDialogClosed() override;
    const LanguageTexts &texts() const { return texts_; }
    QString language() const;
    QImage boardPicture() const;
    bool isClosing() const override { return closing_; }
    QString pointsPanelText() const override;

    StatusBar *stat() const { return stat_; }
    PageControl *pc() const { return pc_; }
    QTimer *gameTimer() const { return timer_; }
    QTimer *weg() const { return weg_; }

public slots:
    void FormActivate();
    void GbAnordnen();
    void EinstellungenInvisible(bool value);
    void pcChange();
    void pcDrawTab();
    void statClick(int x);
    void statMouseMove(int x);
    void Label2Click();
    void Label3Click();
    void wegTimer();
    void cbspielChange();
    void cbspielartChange();

    void spielstartenClick();
    void TimerTimer();
    void spielfeldMouseDown(Qt::MouseButton button, QPoint position);
    // A key on the board's focus cell (x, y): played as the click on the element's sub-square.
    void spielfeldKeyDown(const vantrell::BoardKeyCommand &command, int x, int y);
    // Ctrl+Z and Ctrl+Shift+Z (or Ctrl+Y): the player's last change on the board taken back
    // or brought back, played as the click or key was; the focus cell goes to its cell.
    void undoStep();
    void redoStep();

    void vorschaudruckClick();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void FormCreate();
    void FormResize();
    void Sprache();
    void FormClose();

    void Spiel1Parametersetzen();
    bool Spiel2Generieren();
    void Spiel3Vorbereiten();
    void Ausgabe(int x1, int x2, int y1, int y2);
    bool Pruefen() const;
    // After a click, a key or a step through the history on cell (x, y): redraw it, tell a
    // screen reader, check the grid.
    void cellPlayed(int x, int y);
    void stepThroughHistory(bool back);
    void gameSolved();
    void buildShortcuts();

    void Druck1SeiteEinrichten();
    bool Druck2Druckausgabe();
    void centreInFrame(QWidget *picture);
    // The board and the preview drawn again where the screen's pixels under them changed
    // (another device pixel ratio, or a move onto other pixel boundaries).
    void fitBoardToScreen();
    void fitPreviewToScreen();
    void layoutAnchored();
    void setHelpLines(const QStringList &lines);
    void fitHelpBox();
    void keepColumnWhole();
    QString pointsText(std::int32_t points) const;
    void buildCountList(const CountRange &range);
    void showPlayedCount();

    const QLabel *spr_;
    LanguageTexts texts_;
    GameState game_;
    PlayHistory history_; // the running game's changes, for undo and redo
    BoardCanvas board_;
    BoardPictures pictures_; // the picture lists, children of this window
    BoardBitmaps bitmaps_;
    std::int32_t punkte_ = 0;
    std::uint8_t spiellaeuft_ = 0;
    std::uint8_t druckmodus_ = 0;
    std::int32_t felderproseite_ = 0;
    std::array<std::optional<PageFieldPuzzle>, 6> pageFieldPuzzles_; // what x1 ... x6 show
    std::optional<PageFieldPuzzle> previewPuzzle_;                    // what druckseite shows
    QString countListBuiltFor_; // the game type text the count list was last built for
    CountRange countList_;      // the counts the list holds; empty before it is first built
    bool closing_ = false;
    Size gameMinimum_{0, 0}; // what the board of the last game needs

    PageControl *pc_ = nullptr;
    QWidget *ts1_ = nullptr;
    QWidget *ts2_ = nullptr;
    QFrame *bevel1_ = nullptr;
    QFrame *bevel2_ = nullptr;
    BoardView *spielfeld_ = nullptr;
    PictureBox *druckseite_ = nullptr;
    std::array<PictureBox *, 6> pageFields_{}; // x1 ... x6
    QGroupBox *gbtitel_ = nullptr;
    QGroupBox *gb1_ = nullptr;
    QGroupBox *gb2_ = nullptr;
    QGroupBox *gb3_ = nullptr;
    PictureBox *image1_ = nullptr;
    PictureBox *image2_ = nullptr;
    PictureBox *image3_ = nullptr;
    PictureBox *image4_ = nullptr;
    PictureBox *image5_ = nullptr;
    PictureBox *image6_ = nullptr;
    PictureBox *image7_ = nullptr;
    ClickLabel *label2_ = nullptr;
    ClickLabel *label3_ = nullptr;
    ClickLabel *label4_ = nullptr;
    ClickLabel *label5_ = nullptr;
    ClickLabel *label6_ = nullptr;
    QComboBox *cbspiel_ = nullptr;
    QComboBox *cbspielart_ = nullptr;
    QComboBox *cbgeloest_ = nullptr;
    QComboBox *cbelemente_ = nullptr;
    QComboBox *cbdruck_ = nullptr;
    QPlainTextEdit *hilfep_ = nullptr;
    QToolButton *spielstarten_ = nullptr;
    QToolButton *vorschaudruck_ = nullptr;
    QToolButton *drucken_ = nullptr;
    StatusBar *stat_ = nullptr;
    QTimer *timer_ = nullptr;
    QTimer *weg_ = nullptr;
};

} // namespace vantrell
