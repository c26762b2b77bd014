// The start-up window: its controls, commands, resizing, closing and drops.

#include "ui/main.h"

#include "printing/printtiming.h"
#include "ui/alert.h"
#include "ui/chooser/choosefile.h"
#include "ui/mainsettings.h"
#include "ui/optionssummary.h"
#include "ui/preview/preview.h"
#include "ui/savetarget.h"
#include "ui/systemprinters.h"
#include "ui/toolkit/faultreport.h"
#include "ui/toolkit/twips.h"
#include "util/basicutilities.h"
#include "util/fault.h"
#include "util/stripper.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QResizeEvent>
#include <QShortcut>
#include <QUrl>

#include <cmath>
#include <new>

namespace ui {
namespace {

const QString caption = QStringLiteral("ZELMAR CSV to PDF (11x17 @ 1200 DPI)");
constexpr int clientWidth = 5160;
constexpr int clientHeight = 4125;
constexpr int tickmarks = main::tickMarksIndex;

qint16 pixelsToTwips(int pixels, int dpi)
{
    const double twips = std::round(static_cast<double>(pixels) * toolkit::twipsPerInch / dpi);
    if (twips > 32767 || twips < -32768)
        throw Fault(FaultKind::Overflow,
                    QStringLiteral("the window size %1 twips cannot be recorded").arg(twips));
    return static_cast<qint16>(twips);
}

// The one local file a drag carries, or "" for anything else.
QString droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1
        || !data->urls().first().isLocalFile())
        return QString();
    return data->urls().first().toLocalFile();
}

QLineEdit* textbox(QWidget* parent, const QString& name, const QString& text)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

main::main(QWidget* parent)
    : QWidget(parent), pdfprinter_(std::make_shared<PdfPrinter>()),
      endprogram_([] { QCoreApplication::exit(0); })
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(caption);
    setFont(toolkit::designFont(8.25));
    resize(toolkit::twipsToPixels(clientWidth, logicalDpiX()),
           toolkit::twipsToPixels(clientHeight, logicalDpiY()));
    pageoptions_ = new PageOptionsModel(csv::sampleCount, this);
    buildControls();
    settings_ = new MainSettings(*this);

    pdfprinter_->setTargetChooser([this] { return askSaveTarget(); });
    printerlist_ = [this] {
        std::vector<PrinterRef> printers = systemPrinters();
        printers.push_back(pdfprinter_);
        return printers;
    };
    setAcceptDrops(true);

    Form_Load();
}

void main::refreshPrinters()
{
    std::vector<PrinterRef> printers = printerlist_();
    PrinterRef current = service_.current();
    if (!current) {
        // The system's default printer is current until one is chosen.
        current = defaultSystemPrinter(printers);
    } else {
        // The same printer may come back as a new object.
        const QString name = current->deviceName();
        for (const PrinterRef& printer : printers) {
            if (printer && printer->deviceName() == name) {
                current = printer;
                break;
            }
        }
    }
    service_ = PrintingService(std::move(printers));
    service_.setCurrent(current);
}

void main::buildControls()
{
    auto* load = cmmd.add(0, new QPushButton(QStringLiteral("Load"), this));
    auto* preview = cmmd.add(1, new QPushButton(QStringLiteral("Pre&view"), this));
    auto* print = cmmd.add(3, new QPushButton(QStringLiteral("Print"), this));
    auto* all = cmmd.add(4, new QPushButton(QStringLiteral("All"), this));
    auto* none = cmmd.add(5, new QPushButton(QStringLiteral("None"), this));
    toolkit::placeTwips(load, 60, 60, 1095, 315);
    toolkit::placeTwips(print, 60, 3540, 5055, 495);
    toolkit::placeTwips(all, 60, 960, 1575, 315);
    toolkit::placeTwips(none, 60, 1320, 1575, 315);
    toolkit::placeTwips(preview, 60, 2370, 1575, 375);
    cmmd.connect(&QPushButton::clicked, [this](int index) { cmmd_Click(index); });

    for (int k = 0; k < 16; ++k) {
        auto* box =
            channelselect.add(k, new toolkit::CheckBox(QStringLiteral("Channel %1").arg(k), this));
        const int left = k < 8 ? 1740 : 3480;
        toolkit::placeTwips(box, left, 960 + 300 * (k % 8), 1635, 255);
    }
    auto* ticks =
        channelselect.add(tickmarks, new toolkit::CheckBox(QStringLiteral("Tick marks"), this));
    toolkit::setCheckValue(ticks, 1);
    toolkit::placeTwips(ticks, 60, 1680, 1155, 255);

    tickfrequency = textbox(this, QStringLiteral("tickfrequency"), QStringLiteral("10"));
    tickfrequency->setAlignment(Qt::AlignCenter);
    toolkit::placeTwips(tickfrequency, 60, 1980, 435, 285);

    const QString labels[] = {QStringLiteral("Samples"), QStringLiteral("Heading"),
                              QStringLiteral("Resolution"), QStringLiteral("Units")};
    for (int i = 0; i < 4; ++i)
        Label1.add(i, new QLabel(labels[i], this));
    toolkit::placeTwips(Label1[0], 540, 2040, 1095, 255);
    toolkit::placeTwips(Label1[1], 60, 480, 1095, 255);
    toolkit::placeTwips(Label1[2], 60, 2820, 795, 195);
    toolkit::placeTwips(Label1[3], 900, 2820, 795, 195);

    Text1 = textbox(this, QStringLiteral("Text1"), QString());
    Text1->setReadOnly(true);
    toolkit::placeTwips(Text1, 1200, 60, 3915, 315);

    Heading = textbox(this, QStringLiteral("Heading"), QString());
    toolkit::placeTwips(Heading, 1200, 420, 3915, 315);

    resolution = textbox(this, QStringLiteral("resolution"), QStringLiteral("100"));
    resolution->setAlignment(Qt::AlignCenter);
    toolkit::placeTwips(resolution, 60, 3060, 795, 285);

    units = new QComboBox(this);
    units->setObjectName(QStringLiteral("units"));
    units->addItems({QStringLiteral("nS"), QStringLiteral("uS"), QStringLiteral("mS")});
    toolkit::makeDropDown(units);
    toolkit::placeTwips(units, 900, 3060, 735, 315);

    for (int i = 0; i < 2; ++i) {
        auto* rule = Line1.add(i, new QFrame(this));
        rule->setFrameShape(QFrame::HLine);
        rule->setFrameShadow(QFrame::Sunken);
    }
    // A rule of no height would not show: give it the pixels a line needs,
    // centred on its design position.
    for (int i = 0; i < 2; ++i) {
        const int top = i == 0 ? 840 : 3420;
        toolkit::placeTwips(Line1[i], 0, top, clientWidth, 0);
        Line1[i]->setGeometry(Line1[i]->x(), Line1[i]->y() - 1, Line1[i]->width(), 3);
    }

    // Between the channels and Print, the lower rule its only control.
    const QRect freeBand(QPoint(channelselect[0]->x(), channelselect[7]->geometry().bottom() + 1),
                         QPoint(channelselect[15]->geometry().right(), print->y() - 1));
    optionsSummary = new OptionsSummary(*pageoptions_, freeBand, this);

    QList<QWidget*> order = {load, print};
    for (int k = 0; k < 16; ++k)
        order << channelselect[k];
    order << all << none << ticks << tickfrequency << Text1 << Heading << resolution << units;
    // Last, so that no other control's place in the order moves.
    order << preview;
    toolkit::setTabOrder(order);
    for (QPushButton* button : {load, preview, print, all, none})
        button->setAutoDefault(false);

    auto* loadKey = new QShortcut(QKeySequence::Open, this);
    connect(loadKey, &QShortcut::activated, load, &QPushButton::click);
    auto* printKey = new QShortcut(QKeySequence::Print, this);
    connect(printKey, &QShortcut::activated, print, &QPushButton::click);
}

void main::Form_Load()
{
    basicutilities::setcontrolchars();
    // Before the first showing there is no frame yet: the outer size is the
    // client area's.
    formwidth = pixelsToTwips(frameGeometry().width(), logicalDpiX());
    formheight = pixelsToTwips(frameGeometry().height(), logicalDpiY());
    for (int k = 0; k < 16; ++k)
        toolkit::setCheckValue(channelselect[k], 0);
    filepath = defaultFilePath();
    toolkit::setComboIndex(units, 0);
}

QString main::defaultFilePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\temp\\zelmar.csv");
#else
    return QDir::tempPath() + QStringLiteral("/zelmar.csv");
#endif
}

QString main::loadStartFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    return QDir::rootPath();
#endif
}

void main::cmmd_Click(int index)
{
    switch (index) {
    case 0: runCommand(QStringLiteral("Load"), [this] { loadHeader(); }); break;
    case 1: runCommand(QStringLiteral("Preview"), [this] { showPreview(); }); break;
    case 3:
        if (filepath > QString())
            runCommand(QStringLiteral("Print"), [this] { printtiming(); });
        break;
    case 4:
    case 5:
        for (int k = 0; k < 16; ++k)
            toolkit::setCheckValue(channelselect[k], index == 4 ? 1 : 0);
        break;
    default: break;
    }
}

void main::runCommand(const QString& name, const std::function<void()>& command)
{
    try {
        command();
    } catch (const Fault& fault) {
        reportFault(this, name, fault);
    } catch (const std::bad_alloc&) {
        reportError(this, name, QStringLiteral("Out of memory"));
    }
}

void main::loadHeader()
{
    const QString chosen = choosefile(QString(), QStringLiteral("*.csv"), loadStartFolder(),
                                      QStringLiteral("Select Zelmar CSV file"));
    if (chosen.isEmpty())
        return;
    loadCapture(chosen);
}

void main::openCapture(const QString& path)
{
    // The chooser hands Load an absolute path; so does this.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    bool iscapture = true;
    runCommand(QStringLiteral("Load"),
               [this, absolute, &iscapture] { iscapture = loadCapture(absolute); });
    // Load passes over such a file in silence, as the user chose it among
    // files; one handed over by a file manager or a drop gets a word.
    if (!iscapture) {
        reportError(
            this, QStringLiteral("Load"),
            QStringLiteral("%1 is not a capture file: its first line does not begin with \"%2\".")
                .arg(escapedText(absolute), csv::captureKey));
    }
}

bool main::loadCapture(const QString& path)
{
    // Nothing in the window changes until the header has been read whole.
    const std::optional<CaptureHeader> header = readHeader(path);
    if (!header)
        return false;
    Heading->setText(header->heading);
    for (int k = 0; k < tickmarks; ++k)
        channelselect[k]->setText(header->names[std::size_t(k)]);
    filepath = path;
    Text1->setText(path.toUpper());
    // Show the beginnings, which tell files and captures apart.
    Heading->setCursorPosition(0);
    Text1->setCursorPosition(0);
    emit captureLoaded();
    return true;
}

void main::printtiming()
{
    const PageRequest request = pageRequest();
    refreshPrinters();
    ::printtiming(filepath, request, service_, printerreference);
}

void main::showPreview()
{
    if (!preview_)
        preview_ = new Preview(*settings_, this);
    // Asked for again, a minimised preview comes back.
    preview_->setWindowState(preview_->windowState() & ~Qt::WindowMinimized);
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
}

Preview* main::preview() const { return preview_; }

WindowSettings main::windowSettings() const
{
    WindowSettings settings;
    for (int k = 0; k < tickmarks; ++k) {
        settings.channels.values.push_back(toolkit::checkValue(channelselect[k]));
        settings.channels.captions.push_back(channelselect[k]->text());
    }
    settings.tickmarks = toolkit::checkValue(channelselect[tickmarks]);
    settings.tickfrequency = tickfrequency->text();
    settings.resolution = resolution->text();
    settings.heading = Heading->text();
    settings.unitindex = toolkit::comboIndex(units);
    return settings;
}

PageRequest main::pageRequest() const
{
    return ::pageRequest(windowSettings(), pageoptions_->options());
}

QString main::stripper(QString& datain) { return ::stripper(datain); }

QString main::askSaveTarget() { return askSavePdf(this, proposedPdfPath(filepath)); }

void main::Form_Resize()
{
    if (windowState() & Qt::WindowMaximized) {
        // Leaving the maximised state raises this handler again.
        setWindowState(windowState() & ~Qt::WindowMaximized);
        return;
    }
    if (windowState() & Qt::WindowMinimized)
        return;
    const int height = toolkit::twipsToPixels(formheight, logicalDpiY());
    const int width = toolkit::twipsToPixels(formwidth, logicalDpiX());
    if (size() == QSize(width, height))
        return;
    resizing_ = true;
    resize(this->width(), height);
    resize(width, height);
    resizing_ = false;
}

void main::Form_QueryUnload(int& cancel, int unloadmode)
{
    Q_UNUSED(unloadmode);
    cancel = 0;
    alert::unload();
    endprogram_();
}

void main::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!resizing_ && formwidth > 0)
        Form_Resize();
}

void main::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && formwidth > 0)
        Form_Resize();
}

void main::closeEvent(QCloseEvent* event)
{
    int cancel = 0;
    Form_QueryUnload(cancel, 0);
    event->accept();
}

void main::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void main::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has finished: a fault report must not hold the drag
    // source waiting.
    QMetaObject::invokeMethod(
        this, [this, path] { openCapture(path); }, Qt::QueuedConnection);
}

} // namespace ui
