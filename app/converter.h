#pragma once

// The headless converter's options, their parsing, and the run over captures.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QTextStream;

inline const QString converterName = QStringLiteral("zelmar-pdf");
inline const QString converterVersion = QStringLiteral(ZELMAR_VERSION);

enum class OutputFormat { Pdf, Svg, Png };

// What one run of the converter prints, and where.
struct ConverterOptions {
    QStringList captures;
    QString output;                       // -o: one capture's file; "-" standard output
    QString outputDir;                    // each capture's file in this folder
    QString combine;                      // one PDF, a page per capture; "-" standard output
    OutputFormat format = OutputFormat::Pdf;
    int dpi = 150;                        // PNG only
    int jobs = 1;                         // captures converted at once
    std::array<bool, 16> channels{};     // all ticked unless --channels says otherwise
    bool tickmarks = true;
    QString tickfrequency = QStringLiteral("10");
    QString resolution = QStringLiteral("100");
    int unitindex = 0;                    // ns
    std::optional<QString> heading;       // none: the heading from the capture's header

    ConverterOptions() { channels.fill(true); }
};

struct ParsedArguments {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::UsageError;
    ConverterOptions options;
    QString error;                        // for UsageError: one line
};

// "0-3,7", "all" or "none"; nullopt for anything else (a channel outside
// 0 ... 15, a range that runs backwards, an empty item).
std::optional<std::array<bool, 16>> parseChannelList(const QString& list);

// "ns", "us", "ms" give 0, 1, 2; "none" gives -1.
std::optional<int> parseUnit(const QString& unit);

// `arguments` includes the program name first, as QCoreApplication gives it.
ParsedArguments parseArguments(const QStringList& arguments);

QString helpText();

// Exit codes.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

// Prints every capture, `options.jobs` at a time. A capture that fails gets one
// line on `err` and no file (an existing one stays as it was); the others are
// still printed. Returns exitSuccess, exitFailure when any capture failed, or
// exitUsage when two captures would go to one file. The combined PDF is
// written only when every capture printed. `progress` shows a line of
// captures done and pages per second on `err`, redrawn in place.
int runConverter(const ConverterOptions& options, QTextStream& err, bool progress = false);

// Parses, then helps, shows the version or runs. Progress is shown when
// standard error is a terminal.
int converterMain(const QStringList& arguments, QTextStream& out, QTextStream& err);
