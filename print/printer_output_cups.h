// One conversation with the CUPS scheduler for PrinterService. Its steps block and run on a
// worker thread; every wait in them ends at one deadline, so a scheduler that stops
// answering holds neither the game nor the worker for longer.
#pragma once

#include "print/printer_output.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <memory>

namespace vantrell {

class CupsConversation {
public:
    explicit CupsConversation(QDeadlineTimer deadline);
    ~CupsConversation();
    CupsConversation(const CupsConversation &) = delete;
    CupsConversation &operator=(const CupsConversation &) = delete;

    // The steps, each false when it failed; failure() and detail() then say why.
    // The printers the scheduler knows, and which one is the default.
    bool listPrinters();
    // Picks a printer by name ("queue" or "queue/instance"), or the default for an empty
    // name, and reads its default page.
    bool choose(const QString &name);
    // Sends the document to the chosen printer as one job.
    bool send(const QByteArray &pdf, const QString &title);

    // The game stopped waiting: every wait in progress ends, and no further step starts.
    void abandon() { abandoned_ = true; }
    // Asked by every wait: false once the deadline has passed or the game stopped waiting.
    bool keepWaiting();

    PrintFailure failure() const { return failure_; }
    QString detail() const { return detail_; }
    QStringList names() const { return names_; }
    QString defaultName() const { return defaultName_; }
    QString printerName() const { return printerName_; }
    QPageLayout pageLayout() const { return layout_; }
    // The printer holds new jobs in its queue instead of printing them.
    bool printerStopped() const { return printerStopped_; }
    // The number of the job once the scheduler has given one (readable while send() runs);
    // 0 again once the job is known to be cancelled.
    int jobId() const { return jobId_; }

private:
    struct Handles;

    // What became of a job whose document the scheduler did not confirm.
    enum class Settled { Cancelled, Printed, Unknown };
    // How long a job may take to settle after the document failed.
    static constexpr std::chrono::milliseconds kSettleTime{1000};

    bool connect();
    bool fail(PrintFailure failure, const QString &detail = {});
    // A failed request: silence when the deadline cut it off, otherwise the connection's or
    // the scheduler's reason.
    bool failRequest(PrintFailure failure);
    // Why a request got no answer.
    QString lostAnswer() const;
    // Cancels job id, or learns that it has ended, over a connection of its own.
    Settled settle(int id);

    QDeadlineTimer deadline_;
    std::unique_ptr<Handles> handles_;
    std::atomic<bool> abandoned_{false};
    std::atomic<bool> cutOff_{false};
    std::atomic<int> jobId_{0};

    PrintFailure failure_ = PrintFailure::ServiceError;
    QString detail_;
    QStringList names_;
    QString defaultName_;
    QString printerName_;
    QPageLayout layout_;
    bool printerStopped_ = false;
};

} // namespace vantrell
