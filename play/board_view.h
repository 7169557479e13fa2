// The board control: the board picture, the focus cell that the keys move and play, and
// the cells a screen reader reads.
#pragma once

#include "play/board_keys.h"
#include "play/board_speech.h"
#include "widgets/controls.h"

#include <QPoint>

namespace vantrell {

class BoardView : public PictureBox {
    Q_OBJECT
public:
    explicit BoardView(QWidget *parent = nullptr);

    // The game the board shows (it lives as long as the board); its side, cells and
    // element set are read as they are.
    void setGame(const GameState *game) { game_ = game; }
    const GameState *game() const { return game_; }
    int side() const;

    void setSpeech(const BoardSpeech &speech);
    const BoardSpeech &speech() const { return speech_; }
    QString cellName(int x, int y) const;

    QPoint focusCell() const { return focus_; }
    // Moves the focus cell (kept on the board) and tells a screen reader.
    void setFocusCell(int x, int y);
    // A new board is being built: until it is drawn the board has no cells to read or play.
    void boardBuilding();
    // A new board was drawn: the focus cell goes back to the top-left corner.
    void boardStarted();
    // Cell (x, y) may read differently now.
    void cellChanged(int x, int y);
    // The outline around the focus cell shows: the board has the focus and the keyboard is in use.
    bool showsOutline() const;

signals:
    // A key played the focus cell (x, y).
    void keyCommand(const vantrell::BoardKeyCommand &command, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void updateCell(QPoint cell);
    void announceFocusSoon();

    const GameState *game_ = nullptr;
    BoardSpeech speech_;
    QPoint focus_{1, 1};
    bool drawn_ = false;
    bool announcePending_ = false;
};

// The focus outline: its thickness in the pixels of a screen of that device ratio.
int focusOutlineWidth(qreal deviceRatio);
inline const QColor kFocusOutlineColour{128, 0, 0};

} // namespace vantrell
