// The seam through which tests answer modal windows.

#include "ui/toolkit/modalseam.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <deque>

namespace modalseam {
namespace {
std::deque<Hook>& queue()
{
    static std::deque<Hook> hooks;
    return hooks;
}

Unexpected& unexpected()
{
    static Unexpected report;
    return report;
}

// "Title: text …" of a window, from its labels.
QString describe(QWidget* window)
{
    QStringList parts{QLatin1Char('"') + window->windowTitle() + QLatin1Char('"')};
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            parts << label->text().simplified();
    return parts.join(QStringLiteral(": "));
}
} // namespace

void push(Hook hook) { queue().push_back(std::move(hook)); }
void clear() { queue().clear(); }
void setUnexpected(Unexpected report) { unexpected() = std::move(report); }
int pending() { return static_cast<int>(queue().size()); }

void shown(QWidget* window)
{
    if (queue().empty()) {
        if (!unexpected())
            return;
        QPointer<QWidget> guard(window);
        QTimer::singleShot(0, window, [guard] {
            if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                dialog->reject();
            else if (guard)
                guard->close();
        });
        unexpected()(describe(window));
        return;
    }
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
