// The program's one printer: lists the printers and prints a composed page.
#pragma once

#include "print/page_field.h"

#include <QImage>
#include <QPageLayout>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QObject;
class QPainter;
class QPrinter;
class QThread;

namespace vantrell {

class CupsConversation;

enum class PrintFailure {
    NoPrinter,          // no printer installed, or the printing system cannot be reached
    NoDefaultPrinter,   // printers exist, but none is the default
    PrinterGone,        // the chosen printer is no longer there
    PrinterInvalid,     // the printer cannot be used
    PageTooSmall,       // the page cannot hold the squares
    BeginFailed,        // the document could not be started
    EndFailed,          // the document could not be finished and sent
    ServiceUnreachable, // nothing listens where the print service should be
    ServiceSilent,      // the print service took the connection but gave no answer in time
    ServiceError,       // the print service answered with an error
    JobRefused,         // the print service refused the job
    JobUnconfirmed,     // the document was not confirmed, and the job could not be cancelled: it may still print
    PageUnconfirmed,    // the document was not confirmed; the job was cancelled
};

// The message for a failure, in one place so the texts can be translated together.
// detail is the print service's own text; jobId the number the job had got.
QString printFailureText(PrintFailure failure, const QString &printerName, const QString &detail = {},
                         int jobId = 0);
// What the player is told when a printer that is stopped keeps the job in its queue.
QString heldJobText(const QString &printerName, int jobId);

// One page field on its way to the printer: its picture and, where known, the puzzle the
// picture shows, which is then drawn at the printer's resolution instead of stretched.
struct PrintedField {
    PrintedField(QImage picture = {}, std::optional<PageFieldPuzzle> puzzle = std::nullopt)
        : picture(std::move(picture)), puzzle(std::move(puzzle))
    {
    }
    QImage picture;
    std::optional<PageFieldPuzzle> puzzle;
};

struct PrintOutcome {
    bool ok = false;
    std::optional<PrintFailure> failure; // set when ok is false
    QString reason;                      // the message to show when ok is false
    int jobId = 0;                       // the print service's number for the job, where it gives one
    QString notice;                      // something to tell the player although the job was taken
};

// The printer a print goes to: the name the player picked from the list, or none for the
// selected printer (the system default until one is picked).
using PrinterChoice = std::optional<QString>;

class PrinterService {
public:
    // What the printer choice reads until the player picks a printer. A queue may bear the
    // same name, so the text alone never says which of the two is meant.
    static QString standardChoice() { return QStringLiteral("Standart"); }
    static QString documentTitle() { return QStringLiteral("Vantrell Sudoku"); }
    // Device pixels per inch of the printed page.
    static constexpr int resolution = 1200;
    // How long the game waits at most for the print service in one print or one printer list.
    static constexpr std::chrono::milliseconds answerTime{5000};

    PrinterService();
    ~PrinterService();
    PrinterService(const PrinterService &) = delete;
    PrinterService &operator=(const PrinterService &) = delete;

    // The names of the installed printers, gathered the first time they are asked for.
    // Waits at most answerTime, with the event loop running; empty when the print service
    // does not answer (and then asked again next time).
    QStringList printerNames();
    // The names as the print service gives them now, without waiting: done runs with them
    // through the event loop once they are there, and not at all when the print service
    // fails or context is gone. While a question is out, a new request takes its answer
    // instead of asking again.
    void requestPrinterNames(QObject *context, std::function<void(const QStringList &)> done);
    // Gathers the names again on the next printerNames().
    void refreshPrinterNames();

    // Prints one page with fields drawn into the squares for count page fields.
    // A printer name as choice selects that printer for this and later runs; no name keeps
    // the selected one, which is the system default until another is chosen. Waits at most
    // answerTime for the print service, with the event loop running but the player's input
    // dropped; ok only when the print service confirmed the whole page.
    PrintOutcome print(const PrinterChoice &choice, const std::vector<PrintedField> &fields, int count);

    // The printer the next standard run prints on; empty when none is chosen and there
    // is no default (or the print service does not answer).
    QString selectedPrinterName();
    // The page of the last print run (tests read its geometry).
    QPageLayout lastPageLayout() const { return layout_; }

private:
    PrintOutcome failed(PrintFailure failure, const QString &printerName, const QString &detail = {},
                        int jobId = 0) const;

    std::optional<QStringList> names_;
    QString chosen_; // the printer picked by name; empty while the default is used
    QPageLayout layout_;
#ifdef VANTRELL_HAVE_CUPS
    struct Gatherer {
        QThread *thread;
        std::shared_ptr<CupsConversation> talk;
    };
    std::shared_ptr<CupsConversation> listedPrinters();

    std::vector<QPointer<QThread>> stragglers_; // threads of steps the game stopped waiting for
    std::vector<Gatherer> gatherers_;   // threads gathering the printer list
    std::unique_ptr<QObject> receiver_; // delivers the lists they gathered
    std::function<void(const QStringList &)> wanted_; // what runs with the list once it is there
    QPointer<QObject> wantedBy_;                      // ... while this is still there
#else
    std::optional<PrintOutcome> selectPrinter(const PrinterChoice &choice);
    QPrinter &printer();
    std::unique_ptr<QPrinter> printer_;
#endif
};

// Draws the page fields into their squares on a page of the painter's device: a field's
// puzzle scaled to its square where it has a valid one, its picture stretched otherwise.
void drawPrinterPage(QPainter &painter, const std::vector<PrintedField> &fields, int count);

} // namespace vantrell
