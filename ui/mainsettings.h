#pragma once

// The main window as the preview's settings source: its controls, followed
// as they change, its capture and the page options it prints with.

#include "ui/preview/settingssource.h"

namespace ui {

class main;

class MainSettings : public SettingsSource {
    Q_OBJECT
public:
    // Follows `window`'s controls; a child of it.
    explicit MainSettings(main& window);

    WindowSettings settings() const override;
    QString capturePath() const override;

private:
    main& window_;
};

} // namespace ui
