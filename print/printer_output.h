// The program's one printer: lists the printers and prints a composed page.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QPrinter;

namespace vantrell {

enum class PrintFailure {
    NoPrinter,        // no printer installed, or the printing system cannot be reached
    NoDefaultPrinter, // printers exist, but none is the default
    PrinterGone,      // the chosen printer is no longer there
    PrinterInvalid,   // the printer cannot be used
    PageTooSmall,     // the page cannot hold the squares
    BeginFailed,      // the document could not be started
    EndFailed,        // the document could not be finished and sent
};

// The message for a failure, in one place so the texts can be translated together.
QString printFailureText(PrintFailure failure, const QString &printerName);

struct PrintOutcome {
    bool ok = false;
    std::optional<PrintFailure> failure; // set when ok is false
    QString reason;                      // the message to show when ok is false
};

class PrinterService {
public:
    // The printer choice that stands for the currently selected printer.
    static QString standardChoice() { return QStringLiteral("Standart"); }
    static QString documentTitle() { return QStringLiteral("Vantrell Sudoku"); }

    PrinterService();
    ~PrinterService();
    PrinterService(const PrinterService &) = delete;
    PrinterService &operator=(const PrinterService &) = delete;

    // The names of the installed printers, gathered the first time they are asked for.
    QStringList printerNames();
    // Gathers the names again on the next printerNames().
    void refreshPrinterNames();

    // Prints one page with fields stretched into the squares for count page fields.
    // A printer name as choice selects that printer for this and later runs;
    // standardChoice() keeps the selected one, which is the system default until another
    // is chosen.
    PrintOutcome print(const QString &printerChoice, const std::vector<QImage> &fields, int count);

    // The printer the next standard run prints on; empty when none is chosen and there
    // is no default.
    QString selectedPrinterName() const;
    // The underlying printer, created on first use (tests read its page geometry).
    QPrinter &printer();

private:
    PrintOutcome failed(PrintFailure failure, const QString &printerName) const;
    std::optional<PrintOutcome> selectPrinter(const QString &printerChoice);

    std::unique_ptr<QPrinter> printer_;
    std::optional<QStringList> names_;
    QString chosen_; // the printer picked by name; empty while the default is used
};

} // namespace vantrell
