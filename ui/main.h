#pragma once

// The start-up window of the desktop program.

#include "capture/csvcapture.h"
#include "printing/page/pagerequest.h"
#include "printing/printers/pdfprinter.h"
#include "printing/printers/printingservice.h"
#include "printing/windowsettings.h"
#include "ui/toolkit/controlarray.h"
#include "ui/toolkit/controlvalues.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class Fault;
class OptionsSummary;
class PageOptionsModel;
class Preview;

// In a namespace because `main` at global scope would be hidden by the
// program's entry point.
namespace ui {

class MainSettings;

// The start-up window: the settings a print uses and the four commands.
class main : public QWidget { // design name
    Q_OBJECT
public:
    // Builds the window from its design and runs Form_Load.
    explicit main(QWidget* parent = nullptr);

    // channelselect(0 … 15) are the channels, channelselect(16) "Tick marks".
    static constexpr int tickMarksIndex = csv::channelCount;

    // Design names from here to printtiming and stripper: the controls, the
    // form's settings and its handlers keep the design's spelling.
    toolkit::ControlArray<QPushButton> cmmd{QStringLiteral("cmmd")};
    toolkit::ControlArray<toolkit::CheckBox> channelselect{QStringLiteral("channelselect")};
    toolkit::ControlArray<QLabel> Label1{QStringLiteral("Label1")};
    toolkit::ControlArray<QFrame> Line1{QStringLiteral("Line1")};
    QLineEdit* tickfrequency;
    QLineEdit* Text1;
    QLineEdit* Heading;
    QLineEdit* resolution;
    QComboBox* units;
    // Not of the design: what Print uses of the page options when they are
    // not the defaults.
    OptionsSummary* optionsSummary;

    PrinterRef printerreference;
    qint16 formwidth = 0; // outer size recorded at start-up, in twips
    qint16 formheight = 0;
    QString filepath;

    void Form_Load();
    void cmmd_Click(int index);
    void Form_Resize();
    void Form_QueryUnload(int& cancel, int unloadmode);

    void printtiming();
    // What the controls hand over to Print as they are now.
    WindowSettings windowSettings() const;
    // The page options Print uses, shown and edited in the preview; at
    // their defaults Print makes the designed page.
    PageOptionsModel& pageOptions() const { return *pageoptions_; }
    // What Print prints from the controls and the page options.
    PageRequest pageRequest() const;
    QString stripper(QString& datain);

    // Loads a capture named outside the chooser (the command line, a drop)
    // as Load loads the one chosen, faults reported under "Load"; unlike
    // Load, says so when the file is not a capture.
    void openCapture(const QString& path);

    // The defaults of this platform.
    static QString defaultFilePath();
    static QString loadStartFolder();

    // The printers Print chooses from, asked afresh at each print (not at
    // start-up), so a printer added while the program runs is found. By
    // default the system's printers, then the PDF printer; tests replace it.
    using PrinterList = std::function<std::vector<PrinterRef>()>;
    void setPrinterList(PrinterList list) { printerlist_ = std::move(list); }
    // The current printer stays current from one print to the next.
    PrintingService& printingService() { return service_; }
    PdfPrinter& pdfPrinter() { return *pdfprinter_; }
    // What ends the program when the window is closed; tests replace it.
    void setEndProgram(std::function<void()> end) { endprogram_ = std::move(end); }

    // Opens the preview, or brings it to the front; null until first opened.
    void showPreview();
    Preview* preview() const;

signals:
    // A Load has put a capture's header into the window.
    void captureLoaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void loadHeader();
    // False when the file is not a capture (the window is left as it was).
    bool loadCapture(const QString& path);
    // Runs a command; a fault stops it and is reported, and the window goes on.
    void runCommand(const QString& name, const std::function<void()>& command);
    QString askSaveTarget();

    std::shared_ptr<PdfPrinter> pdfprinter_;
    void refreshPrinters();

    PrinterList printerlist_;
    PrintingService service_;
    std::function<void()> endprogram_;
    bool resizing_ = false;
    PageOptionsModel* pageoptions_;
    MainSettings* settings_; // what the preview follows
    QPointer<Preview> preview_;
};

} // namespace ui
