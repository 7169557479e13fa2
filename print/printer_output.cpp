#include "print/printer_output.h"

#include "print/printer_layout.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace vantrell {

QString printFailureText(PrintFailure failure, const QString &printerName)
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
    }
    return {};
}

PrinterService::PrinterService() = default;
PrinterService::~PrinterService() = default;

QStringList PrinterService::printerNames()
{
    if (!names_)
        names_ = QPrinterInfo::availablePrinterNames();
    return *names_;
}

void PrinterService::refreshPrinterNames() { names_.reset(); }

QString PrinterService::selectedPrinterName() const
{
    return chosen_.isEmpty() ? QPrinterInfo::defaultPrinterName() : chosen_;
}

QPrinter &PrinterService::printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

PrintOutcome PrinterService::failed(PrintFailure failure, const QString &printerName) const
{
    return {false, failure, printFailureText(failure, printerName)};
}

// Points the printer at the chosen one, or at the selected one for the standard choice,
// after asking the printing system that it is still there: Qt drops the scheduler's answer
// to the job itself, so a printer that vanished is caught here or not at all.
std::optional<PrintOutcome> PrinterService::selectPrinter(const QString &printerChoice)
{
    QString target;
    if (printerChoice != standardChoice()) {
        if (!printerNames().contains(printerChoice))
            return failed(PrintFailure::PrinterGone, printerChoice);
        target = printerChoice;
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
    if (printerChoice != standardChoice())
        chosen_ = target;
    if (!p.isValid())
        return failed(PrintFailure::PrinterInvalid, target);
    return std::nullopt;
}

PrintOutcome PrinterService::print(const QString &printerChoice, const std::vector<QImage> &fields, int count)
{
    if (auto failure = selectPrinter(printerChoice))
        return *failure;

    QPrinter &p = printer();
    const QString name = p.printerName();
    const bool layoutCount = count == 1 || count == 2 || count == 6;
    // Checked before the document starts: a started job cannot be taken back everywhere.
    if (layoutCount && printerSquares(count, p.width(), p.height()).empty())
        return failed(PrintFailure::PageTooSmall, name);
    p.setDocName(documentTitle());

    QPainter painter;
    if (!painter.begin(&p))
        return failed(PrintFailure::BeginFailed, name);

    // The printable area in device pixels.
    const int width = painter.device()->width();
    const int height = painter.device()->height();
    const std::vector<PageSquare> squares = printerSquares(count, width, height);
    for (std::size_t i = 0; i < squares.size() && i < fields.size(); ++i)
        painter.drawImage(squares[i].toRect(), fields[i]);

    if (!painter.end())
        return failed(PrintFailure::EndFailed, name);
    return {true, std::nullopt, {}};
}

} // namespace vantrell
