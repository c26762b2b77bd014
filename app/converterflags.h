#pragma once

// The converter's command-line options, with the help each gives.

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <array>

namespace converterflags {

extern const QCommandLineOption outputOption;
extern const QCommandLineOption outputDirOption;
extern const QCommandLineOption combineOption;
extern const QCommandLineOption formatOption;
extern const QCommandLineOption dpiOption;
extern const QCommandLineOption jobsOption;
extern const QCommandLineOption channelsOption;
extern const QCommandLineOption tickMarksOption;
extern const QCommandLineOption noTickMarksOption;
extern const QCommandLineOption resolutionOption;
extern const QCommandLineOption unitOption;
extern const QCommandLineOption headingOption;
extern const QCommandLineOption samplesOption;
extern const QCommandLineOption pagesOption;
extern const QCommandLineOption timeAxisOption;
extern const QCommandLineOption paperOption;
extern const QCommandLineOption layoutOption;
extern const QCommandLineOption cropOption;
extern const QCommandLineOption markerOption; // given again for each marker
extern const QCommandLineOption busOption;    // may be given again
extern const QCommandLineOption decodeOption; // may be given again
extern const QCommandLineOption listDecodersOption;
extern const QCommandLineOption decoderHelpOption;

// Every option above, in the order the help lists them.
const std::array<const QCommandLineOption*, 23>& allOptions();

// The description, the captures and every option above.
void addOptions(QCommandLineParser& parser);

} // namespace converterflags
