#pragma once

// The live print preview: the pages Print would make from the settings of
// a source (the main window's), redrawn as they change.

#include "printing/page/pagelayout.h"
#include "printing/page/recordingsurface.h"
#include "ui/preview/capturesource.h"
#include "ui/preview/decoderpanel.h"
#include "ui/preview/markeredit.h"
#include "ui/preview/pageview.h"
#include "ui/preview/previewdecoding.h"
#include "ui/preview/previewoptions.h"
#include "ui/preview/settingssource.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <vector>

class Preview : public QWidget {
    Q_OBJECT
public:
    // A window of its own (over `parent`) that follows `settings`.
    explicit Preview(SettingsSource& settings, QWidget* parent = nullptr);

    PageView* view;
    PreviewOptions* options;
    MarkerEdit* markers;
    DecoderPanel* decoders;
    QLabel* message; // what keeps a page from being drawn; hidden when nothing does
    QLabel* status;  // what the last command did
    QLabel* pageNumber;
    QPushButton* saveButton;
    QPushButton* copyButton;
    QPushButton* printButton;
    QPushButton* fitButton;
    QPushButton* previousButton;
    QPushButton* nextButton;
    QPushButton* decodersButton; // shows and hides the decoder panel

    const CaptureSource& source() const { return source_; }
    // How often the pages were recorded.
    int recordings() const { return recordings_; }

    void saveAs();
    void copy();
    void print();

public slots:
    // Reads the source's capture again, as it was loaded anew.
    void captureLoaded();
    // Records the pages again once the events of this turn are handled.
    void scheduleRefresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void showMessage(const QString& text);
    // Says so in the status when no page is shown for `command` to work on.
    bool nothingTo(const QString& command);
    void setPages(std::vector<RecordedPage> pages);

    QPointer<SettingsSource> settings_;
    CaptureSource source_;
    PreviewDecoding decoding_;
    PageOptions shownOptions_; // those of the pages shown
    QTimer refresh_;
    int recordings_ = 0;
    bool cropSaved_ = false; // the image last saved was cropped: Save as offers it again
};
