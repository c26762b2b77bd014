#include "ui/modalseam.h"

#include <QPointer>
#include <QTimer>

#include <deque>

namespace modalseam {
namespace {
std::deque<Hook>& queue()
{
    static std::deque<Hook> hooks;
    return hooks;
}
} // namespace

void push(Hook hook) { queue().push_back(std::move(hook)); }
void clear() { queue().clear(); }
int pending() { return static_cast<int>(queue().size()); }

void shown(QWidget* window)
{
    if (queue().empty())
        return;
    Hook hook = std::move(queue().front());
    queue().pop_front();
    QPointer<QWidget> guard(window);
    // Runs inside the window's own modal loop, after it has started.
    QTimer::singleShot(0, window, [hook = std::move(hook), guard] {
        if (guard)
            hook(guard.data());
    });
}

} // namespace modalseam
