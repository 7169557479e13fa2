#include "print/printer_output_cups.h"

#include <QLibrary>
#include <QLocale>
#include <QPageSize>
#include <QUrl>

#include <cups/cups.h>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
    X(cupsStartDestDocument)       \
    X(cupsWriteRequestData)        \
    X(cupsGetResponse)             \
    X(cupsDoRequest)               \
    X(cupsUser)                    \
    X(httpReconnect2)              \
    X(httpError)                   \
    X(ippNewRequest)               \
    X(ippAddString)                \
    X(ippDelete)                   \
    X(ippFindAttribute)            \
    X(ippGetStatusCode)            \
    X(ippGetString)                \
    X(ippGetInteger)

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

// Why a connect to the scheduler fails, learnt from a connect of our own: libcups gives
// "Host is down" for a missing socket and a refused connection alike.
int connectError(const char *server, int port, int reported)
{
    int fd = -1;
    int error = 0;
    if (server[0] == '/') {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::strlen(server) >= sizeof address.sun_path)
            return ENAMETOOLONG;
        std::strcpy(address.sun_path, server);
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            error = errno;
    } else {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        if (::getaddrinfo(server, QByteArray::number(port).constData(), &hints, &found) != 0 || !found)
            return reported;
        fd = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        if (fd >= 0) {
            const timeval limit{1, 0}; // the reason is worth a second at most
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            if (::connect(fd, found->ai_addr, found->ai_addrlen) != 0)
                error = errno;
        }
        ::freeaddrinfo(found);
    }
    if (fd < 0)
        return reported;
    ::close(fd);
    return error ? error : reported;
}

// A connection to the scheduler whose waits go on while keepWaiting(data) says so; null, with
// the system's reason in error, when it cannot be made within msec.
http_t *openConnection(int msec, http_timeout_cb_t keepWaiting, void *data, int &error)
{
    // Made unconnected first: a failed connect leaves its error only on its own handle.
    const char *server = cups().cupsServer();
    const int port = cups().ippPort();
    http_t *http = cups().httpConnect2(server, port, nullptr, AF_UNSPEC, cups().cupsEncryption(), 1, 0, nullptr);
    if (!http) {
        error = EHOSTUNREACH; // the server's name did not resolve
        return nullptr;
    }
    cups().httpSetTimeout(http, kWaitStepSeconds, keepWaiting, data);
    if (cups().httpReconnect2(http, msec, nullptr) != 0) {
        error = cups().httpError(http);
        cups().httpClose(http);
        if (error == EHOSTDOWN)
            error = connectError(server, port, error);
        return nullptr;
    }
    return http;
}

QString systemText(int error) { return QString::fromStdString(std::generic_category().message(error)); }

// The status message of an answer, or the name of its status where it brings none.
QString statusText(ipp_t *answer)
{
    ipp_attribute_t *message = cups().ippFindAttribute(answer, "status-message", IPP_TAG_TEXT);
    const char *text = message ? cups().ippGetString(message, 0, nullptr) : nullptr;
    if (text && *text)
        return QString::fromUtf8(text);
    return QStringLiteral("status 0x%1").arg(int(cups().ippGetStatusCode(answer)), 4, 16, QLatin1Char('0'));
}

// Where a printer's requests go on the scheduler ("/printers/name").
QByteArray resourceOf(const cups_dest_t &dest)
{
    const char *uri = cups().cupsGetOption("printer-uri-supported", dest.num_options, dest.options);
    const QString path = uri ? QUrl(QString::fromUtf8(uri)).path() : QString();
    return path.isEmpty() ? QByteArray("/printers/") + dest.name : path.toUtf8();
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
    // libcups keeps the last error of an earlier request where a request got no answer at
    // all, so a broken connection speaks for itself first.
    if (const int error = cups().httpError(handles_->http))
        return fail(failure, systemText(error));
    return fail(failure, QString::fromUtf8(cups().cupsLastErrorString()));
}

QString CupsConversation::lostAnswer() const
{
    if (cutOff_)
        return QStringLiteral("no answer in time");
    const int error = cups().httpError(handles_->http);
    return error ? systemText(error) : QStringLiteral("the connection was closed");
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
    int error = 0;
    handles_->http = openConnection(msec, keepWaitingCallback, this, error);
    if (!handles_->http) {
        if (deadline_.hasExpired())
            return fail(PrintFailure::ServiceSilent);
        return fail(PrintFailure::ServiceUnreachable, QStringLiteral("%1: %2").arg(server, systemText(error)));
    }
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
        if (settle(id) == Settled::Printed)
            return true;
        return fail(PrintFailure::ServiceSilent);
    }

    const bool started = cups().cupsStartDestDocument(http, dest, handles_->info, id, titleText.constData(),
                                                      CUPS_FORMAT_PDF, 0, nullptr, 1)
        == HTTP_STATUS_CONTINUE;
    bool written = started;
    constexpr qsizetype kChunk = 65536;
    for (qsizetype at = 0; written && at < pdf.size(); at += kChunk)
        written = cups().cupsWriteRequestData(http, pdf.constData() + at, size_t(std::min(kChunk, pdf.size() - at)))
            == HTTP_STATUS_CONTINUE;
    // The page counts as printed only once the scheduler has confirmed the whole document.
    // (libcups reports a missing answer as the last status it had, which was a success.)
    ipp_t *answer = started ? cups().cupsGetResponse(http, resourceOf(*dest).constData()) : nullptr;
    const bool refused = answer && failedStatus(cups().ippGetStatusCode(answer));
    if (answer && !refused && written) {
        cups().ippDelete(answer);
        return true;
    }
    const bool answered = answer != nullptr;
    const QString reason = !answered ? lostAnswer()
        : refused                    ? statusText(answer)
                                     : QStringLiteral("the page did not arrive whole");
    cups().ippDelete(answer);
    const Settled settled = settle(id);
    if (settled == Settled::Printed)
        return true;
    // The scheduler said no: the page will not print, taken back or not.
    if (answered)
        return fail(PrintFailure::JobRefused, reason);
    return fail(settled == Settled::Cancelled ? PrintFailure::PageUnconfirmed : PrintFailure::JobUnconfirmed, reason);
}

namespace {

struct SideWait {
    const std::atomic<bool> *abandoned;
    QDeadlineTimer deadline;
};

int keepSideWaiting(http_t *, void *data)
{
    const auto *wait = static_cast<const SideWait *>(data);
    return !*wait->abandoned && !wait->deadline.hasExpired() ? 1 : 0;
}

// One request about job id with the attributes a job request needs; null without an answer.
ipp_t *askAboutJob(http_t *http, ipp_op_t operation, int id)
{
    ipp_t *request = cups().ippNewRequest(operation);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(id);
    cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cups().cupsUser());
    if (operation == IPP_OP_GET_JOB_ATTRIBUTES)
        cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "job-state");
    return cups().cupsDoRequest(http, request, "/jobs/"); // frees the request
}

} // namespace

CupsConversation::Settled CupsConversation::settle(int id)
{
    // The connection that carried the document may be stuck in it: ask over one of its own,
    // for a short while even when the conversation's own time is up.
    SideWait wait{&abandoned_, QDeadlineTimer(kSettleTime)};
    int error = 0;
    http_t *http = openConnection(int(kSettleTime.count()), keepSideWaiting, &wait, error);
    if (!http)
        return Settled::Unknown;
    Settled settled = Settled::Unknown;
    if (ipp_t *answer = askAboutJob(http, IPP_OP_CANCEL_JOB, id)) {
        if (!failedStatus(cups().ippGetStatusCode(answer)))
            settled = Settled::Cancelled;
        cups().ippDelete(answer);
    }
    // Not cancelled: the job may have ended already, one way or the other.
    if (settled == Settled::Unknown)
        if (ipp_t *answer = askAboutJob(http, IPP_OP_GET_JOB_ATTRIBUTES, id)) {
            ipp_attribute_t *state = cups().ippFindAttribute(answer, "job-state", IPP_TAG_ENUM);
            const int value = state ? cups().ippGetInteger(state, 0) : 0;
            if (value == IPP_JSTATE_COMPLETED)
                settled = Settled::Printed;
            else if (value == IPP_JSTATE_CANCELED || value == IPP_JSTATE_ABORTED)
                settled = Settled::Cancelled;
            cups().ippDelete(answer);
        }
    cups().httpClose(http);
    if (settled == Settled::Cancelled)
        jobId_ = 0;
    return settled;
}

} // namespace vantrell
