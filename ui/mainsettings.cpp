// The main window's controls as a settings source.

#include "ui/mainsettings.h"

#include "ui/main.h"

namespace ui {

MainSettings::MainSettings(main& window)
    : SettingsSource(window.pageOptions(), &window), window_(window)
{
    // The window's controls do nothing by themselves; a change only says so.
    for (int k = 0; k <= main::tickMarksIndex; ++k)
        connect(window.channelselect[k], &QCheckBox::stateChanged, this, &SettingsSource::changed);
    for (QLineEdit* box : {window.tickfrequency, window.resolution, window.Heading})
        connect(box, &QLineEdit::textChanged, this, &SettingsSource::changed);
    connect(window.units, &QComboBox::currentIndexChanged, this, &SettingsSource::changed);
    connect(window.units, &QComboBox::editTextChanged, this, &SettingsSource::changed);
    connect(&window, &main::captureLoaded, this, &SettingsSource::captureLoaded);
}

WindowSettings MainSettings::settings() const { return window_.windowSettings(); }

QString MainSettings::capturePath() const { return window_.filepath; }

} // namespace ui
