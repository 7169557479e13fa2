// Parts the two result windows share.
#pragma once

#include "widgets/window_speech.h"
#include "widgets/controls.h"

#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QWidget;

namespace vantrell {

// The dark-red, transparent points label "Label1".
QLabel *makePointsLabel(QWidget *parent, QPoint at);

// A hidden background picture covering the whole window.
PictureBox *makeBackground(QWidget *parent, const char *name, const QString &picture);

// A transparent click area over a button face of the background picture.
PictureBox *makeClickArea(QWidget *parent, const char *name, QRect geometry);

// What a result window reads of the window the game was played in.
class ResultHost {
public:
    virtual ~ResultHost() = default;
    // The text of its points panel (status panel 2), as the player sees it.
    virtual QString pointsPanelText() const = 0;
};

// What both result windows share: the language, the main window they disable while they
// are active, the points label filled from the host's points panel at every
// activation, the way back to the main window, and a window manager's close or minimise
// that must not leave the main window disabled.
class ResultWindow : public QWidget {
    Q_OBJECT
public:
    ResultWindow(const QLabel *spr, QWidget *mainWindow, const ResultHost *host, const char *name,
                 const QString &designTitle, QSize size, QPoint pointsLabelAt);

    virtual void setSpeech(const ResultSpeech &speech);

public slots:
    virtual void FormActivate();

protected:
    bool event(QEvent *event) override;
    // No close is offered; a close that comes anyway (a window manager that ignores the
    // hints, a keyboard command) leaves the window through closeWithoutButton.
    void closeEvent(QCloseEvent *event) override;
    // Enter answers as the window's first button (OK, submit), Escape as closing it.
    void keyPressEvent(QKeyEvent *event) override;
    // The window's own way out when it is closed without a click on one of its buttons.
    virtual void closeWithoutButton() = 0;
    virtual void enterPressed() = 0;
    // Where the focus goes when the window is shown.
    virtual QWidget *firstFocus() const = 0;
    QString language() const;
    // Enables the main window, hides this one and brings the main window to the front.
    void returnToMainWindow();

    const QLabel *spr_;
    QWidget *mainWindow_;
    const ResultHost *host_;
    QLabel *label1_;
    ResultSpeech speech_;
};

} // namespace vantrell
