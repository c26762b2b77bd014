#pragma once

// The page options Print and the preview share: one set, held by whoever
// prints (the main window), shown and edited by the preview. At their
// defaults, PageOptions{}, Print makes the designed page; anything else is
// said in a summary, so that nobody prints with options set long ago
// without knowing it.
//
// A further option needs three things: its field in PageOptions, off by
// default (printing/page/pagelayout.h); its words in summaryOf()
// (pageoptionsmodel.cpp; markers, bus lanes, decoders and a layout have
// theirs); and
// its widget in PreviewOptions, set in showOptions() and read back in
// readOptions() (previewoptions.cpp).

#include "capture/csvcapture.h"
#include "printing/page/pagelayout.h"

#include <QObject>
#include <QString>

class PageOptionsModel : public QObject {
    Q_OBJECT
public:
    // For captures of `samplecount` samples: a range from the first to the
    // last of them is the whole capture, as by default.
    explicit PageOptionsModel(int samplecount = csv::sampleCount, QObject* parent = nullptr);

    const PageOptions& options() const { return options_; }
    // Takes `options`, saying changed() when they differ from those held.
    void set(PageOptions options);
    // Back to the designed page.
    void reset() { set(PageOptions{}); }
    bool isDefault() const { return options_ == PageOptions{}; }
    // "" at the defaults, else what differs from them.
    QString summary() const { return summaryOf(options_, samplecount_); }
    // What keeps the options from laying out pages of a capture of
    // `samplecount` samples; "" when nothing does.
    QString problem(int samplecount) const;

    // What differs from the defaults, in words joined by " · ", such as
    // "A4 · 600–900 · 3 pages · time axis"; "" at the defaults.
    static QString summaryOf(const PageOptions& options, int samplecount);

signals:
    void changed();

private:
    int samplecount_;
    PageOptions options_;
};
