#pragma once

#include <QWidget>

#include <QString>

#include <functional>

// Lets tests answer modal windows without blocking. Every modal window of the
// program calls modalseam::shown(window) once it is visible; when a hook is
// queued, the oldest one is taken and runs (from the event loop) with the
// window, and can click its buttons.
namespace modalseam {

using Hook = std::function<void(QWidget* window)>;

void push(Hook hook);
void clear();
int pending();

// What happens to a modal window shown while no hook is queued: by default
// nothing (the user answers it). Tests set a report: such a window is then
// closed at once and the report gets its title and texts, so that a window
// nobody expected fails the test, named, instead of waiting for an answer.
using Unexpected = std::function<void(const QString& window)>;
void setUnexpected(Unexpected report);

// Called by modal windows right after they are shown.
void shown(QWidget* window);

} // namespace modalseam
