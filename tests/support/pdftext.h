#pragma once
// A PDF read back as a reader sees it: its text laid out as on the page (pdftotext -layout) and
// its number of pages (pdfinfo), both from poppler-utils, which scripts/install-deps.sh
// installs. A missing tool is a failure, never a skip.

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace morvane::testing
{

struct PdfReading {
    QString text; // empty when the tool could not read it; problem then says why
    int pages = 0;
    QString problem;
};

inline QString RunPoppler(const QString& tool, const QStringList& arguments, QString& problem)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        problem = tool + " failed (" + process.errorString() +
                  "): " + QString::fromUtf8(process.readAllStandardError()) +
                  " -- poppler-utils comes with scripts/install-deps.sh";
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline PdfReading ReadPdf(const QString& path)
{
    PdfReading reading;
    const QString info = RunPoppler("pdfinfo", {path}, reading.problem);
    if (!reading.problem.isEmpty())
        return reading;
    const QRegularExpressionMatch pages =
        QRegularExpression("^Pages:\\s+(\\d+)$", QRegularExpression::MultilineOption).match(info);
    reading.pages = pages.hasMatch() ? pages.captured(1).toInt() : 0;
    reading.text = RunPoppler("pdftotext", {"-layout", path, "-"}, reading.problem);
    return reading;
}

// The line of the page's text that holds `caption` as a word of its own, simplified.
inline QString LineWith(const QString& text, const QString& caption)
{
    const QRegularExpression word("(^|\\s)" + QRegularExpression::escape(caption) + "(\\s|$)");
    for (const QString& line : text.split('\n'))
        if (line.contains(word))
            return line.simplified();
    return {};
}

} // namespace morvane::testing
