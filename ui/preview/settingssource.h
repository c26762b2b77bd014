#pragma once

// What a preview draws from, whoever holds it: the settings a page request
// is made of, the capture they apply to, and the page options, which the
// source's owner holds (and prints with) and the preview edits. The main
// window is one such source (ui/mainsettings.h); a test or another window
// can be another.

#include "printing/page/pagerequest.h"
#include "printing/windowsettings.h"
#include "ui/preview/pageoptionsmodel.h"

#include <QObject>
#include <QString>

class SettingsSource : public QObject {
    Q_OBJECT
public:
    SettingsSource(PageOptionsModel& options, QObject* parent) : QObject(parent), options_(&options)
    {
    }

    // What the controls hand over as they are now.
    virtual WindowSettings settings() const = 0;
    // The capture the pages are drawn from. It may change without a load
    // (before any, it is a default).
    virtual QString capturePath() const = 0;

    PageOptionsModel& pageOptions() const { return *options_; }

    // The request the settings make with the page options.
    PageRequest pageRequest() const { return ::pageRequest(settings(), options_->options()); }

signals:
    // A setting changed.
    void changed();
    // The capture was loaded anew: read it again, changed on disk or not.
    void captureLoaded();

private:
    PageOptionsModel* options_;
};
