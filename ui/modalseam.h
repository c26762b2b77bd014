#pragma once

#include <QWidget>

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

// Called by modal windows right after they are shown.
void shown(QWidget* window);

} // namespace modalseam
