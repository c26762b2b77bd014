#pragma once

// The headless converter's run over captures.

#include "app/converteroptions.h"

#include <QStringList>

#include <functional>

class QTextStream;

// Exit codes.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

// Makes what Qt's fonts need (the GUI application), on the calling thread,
// before they are first used: a run that draws nothing (its one capture
// cannot be read), or only a PDF in the page font read from its file, never
// calls it. It may be called more than once.
using BeforeDrawing = std::function<void()>;

// Prints every capture, `options.jobs` at a time. A capture that fails gets one
// line on `err` and no file (an existing one stays as it was); the others are
// still printed. Returns exitSuccess, exitFailure when any capture failed, or
// exitUsage when two captures would go to one file. The combined PDF is
// written only when every capture printed. `progress` shows a line of
// captures done and pages per second on `err`, redrawn in place.
int runConverter(const ConverterOptions& options, QTextStream& err, bool progress = false,
                 const BeforeDrawing& beforeDrawing = {});

// Parses, then helps, shows the version or runs. Progress is shown when
// standard error is a terminal.
int converterMain(const QStringList& arguments, QTextStream& out, QTextStream& err,
                  const BeforeDrawing& beforeDrawing = {});
