#pragma once

// Binding the pages of several captures into one document (the format that
// binds, PDF): each capture's pages are made ready on its own thread, then
// bound in the order the captures were given.

#include "printing/page/recordingsurface.h"

#include <QByteArray>

#include <memory>

struct PdfPage;
class PdfPages;

// A page made ready to be bound. Safe to make on any thread; throws Fault
// when it cannot be made.
class BinderPage {
public:
    explicit BinderPage(const RecordedPage& page);
    BinderPage(BinderPage&&) noexcept;
    BinderPage& operator=(BinderPage&&) noexcept;
    ~BinderPage();

private:
    friend class Binder;
    std::unique_ptr<PdfPage> page_;
};

class Binder {
public:
    Binder();
    ~Binder();
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    // Throws Fault when the page cannot be added.
    void add(BinderPage page);
    // The finished document; the binder is empty afterwards.
    QByteArray finish();

private:
    std::unique_ptr<PdfPages> book_;
};
