#include "print/printer_output.h"

#include "print/printer_layout.h"

#include <QPainter>

#ifdef VANTRELL_HAVE_CUPS
#include "print/printer_output_cups.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPdfWriter>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#else
#include <QPrinter>
#include <QPrinterInfo>
#endif

namespace vantrell {

QString printFailureText(PrintFailure failure, const QString &printerName, const QString &detail, int jobId)
{
    switch (failure) {
    case PrintFailure::NoPrinter:
        return QStringLiteral("No printer is installed, or the printing system cannot be reached.");
    case PrintFailure::NoDefaultPrinter:
        return QStringLiteral("There is no default printer. Please choose a printer from the list.");
    case PrintFailure::PrinterGone:
        return QStringLiteral("The printer \"%1\" is not available any more.").arg(printerName);
    case PrintFailure::PrinterInvalid:
        return QStringLiteral("The printer \"%1\" cannot be used.").arg(printerName);
    case PrintFailure::PageTooSmall:
        return QStringLiteral("The page of the printer \"%1\" is too small for the puzzles.").arg(printerName);
    case PrintFailure::BeginFailed:
        return QStringLiteral("The printer \"%1\" could not start the document.").arg(printerName);
    case PrintFailure::EndFailed:
        return QStringLiteral("The document could not be sent to the printer \"%1\".").arg(printerName);
    case PrintFailure::ServiceUnreachable:
        return QStringLiteral("The print service cannot be reached (%1). The page was not printed.").arg(detail);
    case PrintFailure::ServiceSilent:
        return QStringLiteral("The print service does not answer. The page was not printed.");
    case PrintFailure::ServiceError:
        if (printerName.isEmpty())
            return QStringLiteral("The print service reports an error (%1). The page was not printed.").arg(detail);
        return QStringLiteral("The print service reports an error for the printer \"%1\" (%2). The page was not "
                              "printed.")
            .arg(printerName, detail);
    case PrintFailure::JobRefused:
        return QStringLiteral("The printer \"%1\" did not take the page: %2").arg(printerName, detail);
    case PrintFailure::JobUnconfirmed:
        return QStringLiteral("The print service did not confirm the page for the printer \"%1\" (%2), and "
                              "job %3 could not be cancelled. The page may still be printed: look at the "
                              "printer's queue before you print it again.")
            .arg(printerName, detail.isEmpty() ? QStringLiteral("no answer in time") : detail)
            .arg(jobId);
    case PrintFailure::PageUnconfirmed:
        return QStringLiteral("The print service did not confirm the page for the printer \"%1\" (%2). The job "
                              "was cancelled; the page was not printed.")
            .arg(printerName, detail);
    }
    return {};
}

QString heldJobText(const QString &printerName, int jobId)
{
    return QStringLiteral("The printer \"%1\" is stopped. The page waits in its queue as job %2 and is "
                          "printed when the printer is started again.")
        .arg(printerName)
        .arg(jobId);
}

void drawPrinterPage(QPainter &painter, const std::vector<PrintedField> &fields, int count)
{
    // The printable area in device pixels.
    const int width = painter.device()->width();
    const int height = painter.device()->height();
    const std::vector<PageSquare> squares = printerSquares(count, width, height);
    // Thin grid lines blur under lossy compression.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    for (std::size_t i = 0; i < squares.size() && i < fields.size(); ++i) {
        const QRect square = squares[i].toRect();
        const PrintedField &field = fields[i];
        if (!field.puzzle || !field.puzzle->isValid()) {
            painter.drawImage(square, field.picture);
            continue;
        }
        // The picture's geometry, scaled to the square: lines and digits stay vectors and
        // come out as sharp as the printer can make them.
        const double scale = double(square.width()) / pageFieldSide(field.puzzle->groesse);
        painter.save();
        painter.translate(square.topLeft());
        painter.scale(scale, scale);
        drawPageField(painter, *field.puzzle);
        painter.restore();
    }
}

PrintOutcome PrinterService::failed(PrintFailure failure, const QString &printerName, const QString &detail,
                                    int jobId) const
{
    return {false, failure, printFailureText(failure, printerName, detail, jobId), jobId, {}};
}

void PrinterService::refreshPrinterNames() { names_.reset(); }

#ifdef VANTRELL_HAVE_CUPS

// Everything that talks to the scheduler runs on a worker thread; the game only ever waits
// for it with its event loop running, and never past the deadline.

namespace {

// libcups may overrun a deadline by about a second (a request it sends after the cut-off
// waits a second before it asks again), so the conversation's own deadline comes this much
// before the game stops waiting: it normally ends first, knowing what was said.
constexpr std::chrono::milliseconds kOverrun{1500};

QDeadlineTimer conversationDeadline(QDeadlineTimer gameWaits)
{
    return gameWaits - kOverrun.count();
}

// Holds back the player's input while it lives: no click or key can start a second print
// in the middle of the first. The window manager's close is no input and gets through, so
// closing the game's window ends the game during a wait as at any other time.
class InputHold : public QObject {
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->isInputEvent() || event->type() == QEvent::Shortcut;
    }
};

// Runs work on a thread of its own and waits until it is done, until deadline, or until the
// game ends. Timers and painting go on meanwhile. False when the work was not done; its
// thread then joins stragglers and ends on its own once the work gives up.
bool runWhileWaiting(std::function<void()> work, QDeadlineTimer deadline, std::vector<QPointer<QThread>> &stragglers)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    QThread *thread = QThread::create([work = std::move(work), done] {
        work();
        done->store(true);
    });
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        const InputHold hold;
        thread->start();
        timer.start(int(std::max<qint64>(0, deadline.remainingTime())));
        if (!done->load())
            loop.exec();
    } else {
        thread->start();
        thread->wait(deadline);
    }
    const bool finished = done->load();
    if (!finished) {
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        if (!thread->isFinished()) {
            std::erase(stragglers, nullptr);
            stragglers.emplace_back(thread);
            return false;
        }
    }
    // Deleting it drops a deleteLater still pending, too.
    thread->wait();
    delete thread;
    return finished;
}

QByteArray renderPdf(const QPageLayout &layout, const std::vector<PrintedField> &fields, int count)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    QPdfWriter writer(&buffer);
    writer.setResolution(PrinterService::resolution);
    writer.setTitle(PrinterService::documentTitle());
    writer.setCreator(PrinterService::documentTitle());
    if (!writer.setPageLayout(layout))
        return {};
    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    drawPrinterPage(painter, fields, count);
    if (!painter.end())
        return {};
    return pdf;
}

} // namespace

std::shared_ptr<CupsConversation> PrinterService::listedPrinters()
{
    const QDeadlineTimer deadline(answerTime);
    auto talk = std::make_shared<CupsConversation>(conversationDeadline(deadline));
    auto listed = std::make_shared<bool>(false);
    if (!runWhileWaiting([talk, listed] { *listed = talk->listPrinters(); }, deadline, stragglers_)) {
        talk->abandon();
        return nullptr;
    }
    return *listed ? talk : nullptr;
}

PrinterService::PrinterService() : receiver_(std::make_unique<QObject>()) {}

PrinterService::~PrinterService()
{
    // Lists still being gathered are not wanted any more; their waits end at once.
    for (const Gatherer &g : gatherers_)
        g.talk->abandon();
    for (const Gatherer &g : gatherers_) {
        g.thread->wait();
        delete g.thread;
    }
    // A print the game stopped waiting for (it ends as the game ends) gives up within moments.
    for (const QPointer<QThread> &thread : stragglers_)
        if (thread) {
            thread->wait();
            delete thread.data();
        }
}

QStringList PrinterService::printerNames()
{
    if (names_)
        return *names_;
    const auto talk = listedPrinters();
    if (!talk)
        return {};
    names_ = talk->names();
    return *names_;
}

void PrinterService::requestPrinterNames(QObject *context, std::function<void(const QStringList &)> done)
{
    // Printers come and go while the game runs, so every request asks the scheduler. One
    // question is out at a time: a request while it is open takes its answer.
    wanted_ = std::move(done);
    wantedBy_ = context;
    if (!gatherers_.empty())
        return;
    auto talk = std::make_shared<CupsConversation>(conversationDeadline(QDeadlineTimer(answerTime)));
    auto listed = std::make_shared<bool>(false);
    QThread *thread = QThread::create([talk, listed] { *listed = talk->listPrinters(); });
    gatherers_.push_back({thread, talk});
    QObject::connect(thread, &QThread::finished, receiver_.get(), [this, thread, talk, listed] {
        std::erase_if(gatherers_, [thread](const Gatherer &g) { return g.thread == thread; });
        thread->wait();
        delete thread;
        if (!*listed)
            return;
        names_ = talk->names();
        if (wantedBy_ && wanted_)
            std::exchange(wanted_, {})(*names_);
    });
    thread->start();
}

QString PrinterService::selectedPrinterName()
{
    if (!chosen_.isEmpty())
        return chosen_;
    const auto talk = listedPrinters();
    return talk ? talk->defaultName() : QString();
}

PrintOutcome PrinterService::print(const PrinterChoice &choice, const std::vector<PrintedField> &fields, int count)
{
    const QDeadlineTimer deadline(answerTime);
    const bool byName = choice.has_value();
    const QString wanted = byName ? *choice : chosen_; // empty: the system default
    auto talk = std::make_shared<CupsConversation>(conversationDeadline(deadline));

    auto chose = std::make_shared<bool>(false);
    if (!runWhileWaiting([talk, chose, wanted] { *chose = talk->choose(wanted); }, deadline, stragglers_)) {
        talk->abandon();
        return failed(PrintFailure::ServiceSilent, wanted);
    }
    const QString name = talk->printerName().isEmpty() ? wanted : talk->printerName();
    if (!*chose)
        return failed(talk->failure(), name, talk->detail());
    if (byName)
        chosen_ = name;

    layout_ = talk->pageLayout();
    const QRect printable = layout_.paintRectPixels(resolution);
    const bool layoutCount = count == 1 || count == 2 || count == 6;
    // Checked before the job starts: a job that was sent cannot be taken back everywhere.
    if (layoutCount && printerSquares(count, printable.width(), printable.height()).empty())
        return failed(PrintFailure::PageTooSmall, name);
    const QByteArray pdf = renderPdf(layout_, fields, count);
    if (pdf.isEmpty())
        return failed(PrintFailure::BeginFailed, name);

    auto sent = std::make_shared<bool>(false);
    const QString title = documentTitle();
    if (!runWhileWaiting([talk, sent, pdf, title] { *sent = talk->send(pdf, title); }, deadline, stragglers_)) {
        talk->abandon();
        const int id = talk->jobId();
        return id > 0 ? failed(PrintFailure::JobUnconfirmed, name, {}, id) : failed(PrintFailure::ServiceSilent, name);
    }
    if (!*sent)
        return failed(talk->failure(), name, talk->detail(), talk->jobId());

    PrintOutcome outcome{true, std::nullopt, {}, talk->jobId(), {}};
    if (talk->printerStopped())
        outcome.notice = heldJobText(name, outcome.jobId);
    return outcome;
}

#else // the print service through Qt alone

PrinterService::PrinterService() = default;
PrinterService::~PrinterService() = default;

QStringList PrinterService::printerNames()
{
    if (!names_)
        names_ = QPrinterInfo::availablePrinterNames();
    return *names_;
}

void PrinterService::requestPrinterNames(QObject *, std::function<void(const QStringList &)> done)
{
    refreshPrinterNames(); // printers come and go while the game runs
    done(printerNames());
}

QString PrinterService::selectedPrinterName()
{
    return chosen_.isEmpty() ? QPrinterInfo::defaultPrinterName() : chosen_;
}

QPrinter &PrinterService::printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

// Points the printer at the chosen one, or at the selected one for the standard choice,
// after asking the printing system that it is still there: Qt drops the print service's
// answer to the job itself, so a printer that vanished is caught here or not at all.
std::optional<PrintOutcome> PrinterService::selectPrinter(const PrinterChoice &choice)
{
    QString target;
    if (choice) {
        if (!printerNames().contains(*choice))
            return failed(PrintFailure::PrinterGone, *choice);
        target = *choice;
    } else if (!chosen_.isEmpty()) {
        target = chosen_;
    } else {
        target = QPrinterInfo::defaultPrinterName();
        if (target.isEmpty())
            return failed(QPrinterInfo::availablePrinterNames().isEmpty() ? PrintFailure::NoPrinter
                                                                          : PrintFailure::NoDefaultPrinter,
                          {});
    }

    if (QPrinterInfo::printerInfo(target).isNull())
        return failed(PrintFailure::PrinterGone, target);
    QPrinter &p = printer();
    p.setPrinterName(target);
    // QPrinter quietly falls back to another printer for a name it cannot use.
    if (p.printerName() != target || p.outputFormat() != QPrinter::NativeFormat)
        return failed(PrintFailure::PrinterGone, target);
    if (choice)
        chosen_ = target;
    if (!p.isValid())
        return failed(PrintFailure::PrinterInvalid, target);
    return std::nullopt;
}

PrintOutcome PrinterService::print(const PrinterChoice &choice, const std::vector<PrintedField> &fields, int count)
{
    if (auto failure = selectPrinter(choice))
        return *failure;

    QPrinter &p = printer();
    const QString name = p.printerName();
    layout_ = p.pageLayout();
    const bool layoutCount = count == 1 || count == 2 || count == 6;
    if (layoutCount && printerSquares(count, p.width(), p.height()).empty())
        return failed(PrintFailure::PageTooSmall, name);
    p.setDocName(documentTitle());

    QPainter painter;
    if (!painter.begin(&p))
        return failed(PrintFailure::BeginFailed, name);
    drawPrinterPage(painter, fields, count);
    if (!painter.end())
        return failed(PrintFailure::EndFailed, name);
    return {true, std::nullopt, {}, 0, {}};
}

#endif

} // namespace vantrell
