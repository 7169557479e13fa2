// The print dialog: progress while a page is composed, then the printer choice and the
// print and cancel buttons.
#pragma once

#include "print/printer_output.h"
#include "widgets/window_speech.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;

namespace vantrell {

class ClickLabel;
class PictureBox;

// What the dialog needs to know of the window that composes the page, and what it asks
// of it. A typed link: a renamed control would otherwise still compile and do nothing.
class PrintHost {
public:
    virtual ~PrintHost() = default;
    virtual std::int32_t felderproseite() const = 0;
    // Page field i (1..6), the picture control x1 ... x6; none for another i.
    virtual PictureBox *pageField(int i) const = 0;
    // The puzzle that page field i (1..6) shows, where the window keeps it.
    virtual std::optional<PageFieldPuzzle> pageFieldPuzzle(int) const { return std::nullopt; }
    // The dialog has cleared the page fields: their puzzles are gone too.
    virtual void pageFieldsCleared() {}
    // The dialog has hidden and enabled the window again: its print page comes back.
    virtual void printDialogHidden() {}
    // After a print or a cancel, before the window is brought to the front: its play page
    // is selected, as every activation does.
    virtual void printDialogClosed() {}
    // The window was closed and the game is ending.
    virtual bool isClosing() const { return false; }
};

class Tdruckfenster : public QWidget {
    Q_OBJECT
public:
    enum class State { Hidden, Covered, Ready };

    Tdruckfenster(const QLabel *spr, QWidget *mainWindow, PrintHost *host);

    State state() const { return state_; }
    void setProgress(int percent);
    // The page is composed: uncover the printer choice and the buttons.
    void uncover();
    PrinterService &printerService() { return printer_; }
    void setSpeech(const PrintDialogSpeech &speech);

    // Printer errors go to a message box; tests collect them instead.
    static void setErrorReporter(std::function<void(const QString &)> reporter);
    // So do notes on a page that was taken but waits (a stopped printer).
    static void setNoticeReporter(std::function<void(const QString &)> reporter);

public slots:
    void Image1Click();
    void Image2Click();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Enter prints and Escape cancels, as the two buttons do (a ready dialog only).
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Sprache();
    void FormShow();
    void FormActivate();
    void FormHide();
    void fillPrinterChoice(const QStringList &names);
    void clearPageFields();
    // While the page is composed the buttons lie under the cover and take no focus.
    void setButtonsReachable(bool reachable);
    void report(const QString &text, bool error);
    // Hides the dialog and brings the main window to the front (the print page follows).
    void closeToMainWindow();

    const QLabel *spr_;
    QWidget *mainWindow_;
    PrintHost *host_;
    PrinterService printer_;
    State state_ = State::Hidden;
    bool printing_ = false;

    PictureBox *image4_;
    PictureBox *image3_;
    QLabel *label1_;
    QLabel *label2_;
    PictureBox *image2_;
    PictureBox *image1_;
    ClickLabel *label3_;
    ClickLabel *label4_;
    QLabel *verdeck_;
    QComboBox *cbdruck_;
    QProgressBar *gauge1_;
    PrinterChoice picked_; // the printer the player picked from cbdruck's list, if any
};

} // namespace vantrell
