#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QTextStream;

inline const QString converterName = QStringLiteral("zelmar-pdf");
inline const QString converterVersion = QStringLiteral(ZELMAR_VERSION);

// What one run of the converter prints, and where.
struct ConverterOptions {
    QString capture;
    QString output;
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

// Prints the capture to the PDF file. Returns exitSuccess, or exitFailure with
// one line on `err`; on failure the output file is neither created nor changed.
int runConverter(const ConverterOptions& options, QTextStream& err);

// Parses, then helps, shows the version or runs.
int converterMain(const QStringList& arguments, QTextStream& out, QTextStream& err);
