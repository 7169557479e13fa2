// Reading back what a private CUPS queue wrote: waiting for the job, running poppler's tools.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtDebug>

#include <optional>

namespace vantrell::testing {

// Runs a tool and returns its standard output; nothing when it fails or takes too long.
inline std::optional<QString> toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        qWarning() << program << arguments << "failed:" << process.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Waits until the scheduler has no unfinished job left and the file holds a whole PDF.
inline bool waitForJob(const QString &pdfPath)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("not-completed"), QStringLiteral("-o")});
        const bool idle = lpstat.waitForFinished(10000) && lpstat.exitCode() == 0
            && lpstat.readAllStandardOutput().trimmed().isEmpty();
        QFile pdf(pdfPath);
        if (idle && pdf.open(QIODevice::ReadOnly) && pdf.size() > 0 && pdf.readAll().trimmed().endsWith("%%EOF"))
            return true;
        QThread::msleep(100);
    }
    return false;
}

// The smaller of the two resolutions (pixels per inch) of each raster image on the PDF's
// pages, as pdfimages lists them; nothing when pdfimages fails.
inline std::optional<QList<int>> imageResolutions(const QString &pdfPath)
{
    const std::optional<QString> list = toolOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdfPath});
    if (!list)
        return std::nullopt;
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    static const QRegularExpression row(QStringLiteral(R"(^\s*\d+\s+\d+\s+\w+(?:\s+\S+){9}\s+(\d+)\s+(\d+)\s)"));
    QList<int> ppi;
    for (const QString &line : list->split(QLatin1Char('\n')))
        if (const auto m = row.match(line); m.hasMatch())
            ppi << std::min(m.captured(1).toInt(), m.captured(2).toInt());
    return ppi;
}

} // namespace vantrell::testing
