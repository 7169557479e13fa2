#include "print/printer_output_cups.h"

#include <QLibrary>
#include <QLocale>
#include <QPageSize>

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <type_traits>

namespace vantrell {
namespace {

// libcups, and the TLS and Kerberos libraries it brings along, cost a few megabytes of
// memory from the start if the game is linked with them. They are loaded on the first
// conversation with the scheduler instead, which is also the first moment they are needed.
// Each function the game calls is named once, here; the list makes both its member and its
// binding, so no member can stay unbound while the library counts as loaded.
#define VANTRELL_CUPS_FUNCTIONS(X) \
    X(cupsFreeDestInfo)            \
    X(cupsFreeDests)               \
    X(httpClose)                   \
    X(cupsLastErrorString)         \
    X(cupsServer)                  \
    X(httpConnect2)                \
    X(ippPort)                     \
    X(cupsEncryption)              \
    X(httpSetTimeout)              \
    X(cupsGetDests2)               \
    X(cupsLastError)               \
    X(cupsGetDest)                 \
    X(cupsGetOption)               \
    X(cupsCopyDestInfo)            \
    X(cupsGetDestMediaDefault)     \
    X(cupsCreateDestJob)           \
    X(cupsCancelDestJob)           \
    X(cupsStartDestDocument)       \
    X(cupsWriteRequestData)        \
    X(cupsFinishDestDocument)

struct CupsLibrary {
    bool loaded = false;
#define VANTRELL_CUPS_MEMBER(name) decltype(&::name) name = nullptr;
    VANTRELL_CUPS_FUNCTIONS(VANTRELL_CUPS_MEMBER)
#undef VANTRELL_CUPS_MEMBER
};

const CupsLibrary &cups()
{
    static const CupsLibrary library = [] {
        CupsLibrary library;
        static QLibrary file(QStringLiteral("cups"), 2);
        if (!file.load())
            return library;
        bool all = true;
        const auto bind = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(file.resolve(name));
            all = all && function;
        };
#define VANTRELL_CUPS_BIND(name) bind(library.name, #name);
        VANTRELL_CUPS_FUNCTIONS(VANTRELL_CUPS_BIND)
#undef VANTRELL_CUPS_BIND
        library.loaded = all;
        return library;
    }();
    return library;
}

// How often a wait asks whether it may go on.
constexpr double kWaitStepSeconds = 0.2;

int keepWaitingCallback(http_t *, void *conversation)
{
    return static_cast<CupsConversation *>(conversation)->keepWaiting() ? 1 : 0;
}

QString destName(const cups_dest_t &dest)
{
    QString name = QString::fromUtf8(dest.name);
    if (dest.instance)
        name += QLatin1Char('/') + QString::fromUtf8(dest.instance);
    return name;
}

bool failedStatus(ipp_status_t status) { return status > IPP_STATUS_OK_CONFLICTING; }

// The scheduler gives sizes and margins in hundredths of millimetres.
QPageLayout layoutOf(const cups_size_t &media)
{
    const QPageSize size(QSizeF(media.width / 100.0, media.length / 100.0), QPageSize::Millimeter);
    auto points = [](int hundredths) { return hundredths / 100.0 * 72.0 / 25.4; };
    const QMarginsF margins(points(media.left), points(media.top), points(media.right), points(media.bottom));
    return QPageLayout(size, QPageLayout::Portrait, margins, QPageLayout::Point);
}

// A printer that names no default paper prints on the usual paper of the player's country.
QPageLayout usualLayout()
{
    const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    return QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait, QMarginsF());
}

} // namespace

struct CupsConversation::Handles {
    http_t *http = nullptr;
    cups_dest_t *dests = nullptr;
    int destCount = 0;
    cups_dest_t *dest = nullptr; // one of dests
    cups_dinfo_t *info = nullptr;

    ~Handles()
    {
        if (info)
            cups().cupsFreeDestInfo(info);
        if (dests)
            cups().cupsFreeDests(destCount, dests);
        if (http)
            cups().httpClose(http);
    }
};

CupsConversation::CupsConversation(QDeadlineTimer deadline)
    : deadline_(deadline), handles_(std::make_unique<Handles>())
{
}

CupsConversation::~CupsConversation() = default;

bool CupsConversation::keepWaiting()
{
    if (abandoned_ || deadline_.hasExpired()) {
        cutOff_ = true;
        return false;
    }
    return true;
}

bool CupsConversation::fail(PrintFailure failure, const QString &detail)
{
    failure_ = failure;
    detail_ = detail;
    return false;
}

bool CupsConversation::failRequest(PrintFailure failure)
{
    if (cutOff_)
        return fail(PrintFailure::ServiceSilent);
    return fail(failure, QString::fromUtf8(cups().cupsLastErrorString()));
}

bool CupsConversation::connect()
{
    if (handles_->http)
        return true;
    if (!cups().loaded)
        return fail(PrintFailure::ServiceUnreachable,
                    QStringLiteral("the CUPS library (libcups.so.2) could not be loaded"));
    if (!keepWaiting())
        return fail(PrintFailure::ServiceSilent);
    const QString server = QString::fromUtf8(cups().cupsServer());
    const int msec = int(std::clamp<qint64>(deadline_.remainingTime(), 1, 60000));
    http_t *http = cups().httpConnect2(cups().cupsServer(), cups().ippPort(), nullptr, AF_UNSPEC, cups().cupsEncryption(), 1, msec, nullptr);
    if (!http) {
        const int error = errno;
        if (deadline_.hasExpired())
            return fail(PrintFailure::ServiceSilent);
        return fail(PrintFailure::ServiceUnreachable,
                    QStringLiteral("%1: %2").arg(server, QString::fromStdString(std::generic_category().message(error))));
    }
    cups().httpSetTimeout(http, kWaitStepSeconds, keepWaitingCallback, this);
    handles_->http = http;
    return true;
}

bool CupsConversation::listPrinters()
{
    if (handles_->dests)
        return true;
    if (!connect())
        return false;
    cups_dest_t *dests = nullptr;
    const int count = cups().cupsGetDests2(handles_->http, &dests);
    handles_->dests = dests;
    handles_->destCount = count;
    // An empty list is either the truth or a failed request: the error tells which.
    if (count <= 0) {
        const ipp_status_t status = cups().cupsLastError();
        if (cutOff_ || (failedStatus(status) && status != IPP_STATUS_ERROR_NOT_FOUND))
            return failRequest(PrintFailure::ServiceError);
    }
    names_.clear();
    defaultName_.clear();
    for (int i = 0; i < count; ++i) {
        names_ << destName(dests[i]);
        if (dests[i].is_default)
            defaultName_ = names_.last();
    }
    return true;
}

bool CupsConversation::choose(const QString &name)
{
    if (!listPrinters())
        return false;
    cups_dest_t *dest = nullptr;
    if (name.isEmpty()) {
        dest = cups().cupsGetDest(nullptr, nullptr, handles_->destCount, handles_->dests);
        if (!dest)
            return fail(names_.isEmpty() ? PrintFailure::NoPrinter : PrintFailure::NoDefaultPrinter);
    } else {
        const QByteArray queue = name.section(QLatin1Char('/'), 0, 0).toUtf8();
        const QByteArray instance = name.section(QLatin1Char('/'), 1).toUtf8();
        dest = cups().cupsGetDest(queue.constData(), instance.isEmpty() ? nullptr : instance.constData(),
                           handles_->destCount, handles_->dests);
        if (!dest)
            return fail(PrintFailure::PrinterGone);
    }
    handles_->dest = dest;
    printerName_ = destName(*dest);
    const char *state = cups().cupsGetOption("printer-state", dest->num_options, dest->options);
    printerStopped_ = state && QByteArray(state).toInt() == IPP_PSTATE_STOPPED;

    handles_->info = cups().cupsCopyDestInfo(handles_->http, dest);
    if (!handles_->info)
        return failRequest(cups().cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ? PrintFailure::PrinterGone
                                                                         : PrintFailure::ServiceError);
    cups_size_t media{};
    if (cups().cupsGetDestMediaDefault(handles_->http, dest, handles_->info, CUPS_MEDIA_FLAGS_DEFAULT, &media)
        && media.width > 0 && media.length > 0)
        layout_ = layoutOf(media);
    else
        layout_ = usualLayout();
    return true;
}

bool CupsConversation::send(const QByteArray &pdf, const QString &title)
{
    if (!handles_->dest || !handles_->info)
        return fail(PrintFailure::PrinterGone);
    if (!keepWaiting())
        return fail(PrintFailure::ServiceSilent);
    http_t *http = handles_->http;
    cups_dest_t *dest = handles_->dest;
    const QByteArray titleText = title.toUtf8();
    int id = 0;
    const ipp_status_t created = cups().cupsCreateDestJob(http, dest, handles_->info, &id, titleText.constData(), 0, nullptr);
    // No number, no job: whatever the status says, nothing will print.
    if (failedStatus(created) || id <= 0)
        return failRequest(PrintFailure::JobRefused);
    jobId_ = id;
    // The document goes out only while the game still waits: once started, writes that
    // find room in the socket need no wait that could be cut off.
    if (!keepWaiting()) {
        cups().cupsCancelDestJob(http, dest, id);
        jobId_ = 0;
        return fail(PrintFailure::ServiceSilent);
    }

    const bool started = cups().cupsStartDestDocument(http, dest, handles_->info, id, titleText.constData(),
                                               CUPS_FORMAT_PDF, 0, nullptr, 1)
        == HTTP_STATUS_CONTINUE;
    bool sent = started;
    constexpr qsizetype kChunk = 65536;
    for (qsizetype at = 0; sent && at < pdf.size(); at += kChunk)
        sent = cups().cupsWriteRequestData(http, pdf.constData() + at, size_t(std::min(kChunk, pdf.size() - at)))
            == HTTP_STATUS_CONTINUE;
    // Finishing reads the scheduler's answer to the document, also after a failed write.
    if (started && !failedStatus(cups().cupsFinishDestDocument(http, dest, handles_->info)) && sent)
        return true;

    // The scheduler may still hold the whole document and print it once it answers again.
    if (cutOff_)
        return fail(PrintFailure::JobUnconfirmed);
    const QString reason = QString::fromUtf8(cups().cupsLastErrorString());
    // A job without its document prints nothing; take it out of the queue all the same.
    cups().cupsCancelDestJob(http, dest, id);
    return fail(PrintFailure::JobRefused, reason);
}

} // namespace vantrell
