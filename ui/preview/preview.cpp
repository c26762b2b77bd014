// The live print preview window: following the settings, what it shows
// instead of a page, and its commands.

#include "ui/preview/preview.h"

#include "capture/csvcapture.h"
#include "printing/drawpages.h"
#include "printing/output/pagerenderer.h"
#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"
#include "printing/page/decodedlanes.h"
#include "printing/page/paper.h"
#include "printing/page/sheet.h"
#include "ui/preview/previewsave.h"
#include "ui/toolkit/faultreport.h"
#include "ui/toolkit/modalseam.h"
#include "util/fault.h"
#include "util/files/outputname.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace {

// The wait cursor while it lives.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QPushButton* button(QWidget* parent, const QString& name, const QString& text,
                    const QKeySequence& key = {})
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!key.isEmpty()) {
        // A shortcut of its own: a button's shortcut clicks it only after
        // showing it pressed for a while.
        auto* shortcut = new QShortcut(key, parent);
        QObject::connect(shortcut, &QShortcut::activated, b, [b] {
            if (b->isVisible() && b->isEnabled())
                b->click();
        });
        b->setToolTip(QStringLiteral("%1 (%2)").arg(QString(text).remove(QLatin1Char('&')),
                                                    key.toString(QKeySequence::NativeText)));
    }
    return b;
}

const QString noChannel =
    QStringLiteral("No channel is ticked: tick at least one channel in the main window.");

} // namespace

Preview::Preview(SettingsSource& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(&settings)
{
    setObjectName(QStringLiteral("preview"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    saveButton =
        button(this, QStringLiteral("save"), QStringLiteral("&Save as…"), QKeySequence::Save);
    copyButton = button(this, QStringLiteral("copy"), QStringLiteral("&Copy"), QKeySequence::Copy);
    printButton =
        button(this, QStringLiteral("print"), QStringLiteral("&Print…"), QKeySequence::Print);
    fitButton = button(this, QStringLiteral("fit"), QStringLiteral("&Fit"));
    auto* zoomOut =
        button(this, QStringLiteral("zoomout"), QStringLiteral("−"), QKeySequence::ZoomOut);
    auto* zoomIn =
        button(this, QStringLiteral("zoomin"), QStringLiteral("+"), QKeySequence::ZoomIn);
    previousButton =
        button(this, QStringLiteral("previous"), QStringLiteral("◀"), QKeySequence(Qt::Key_PageUp));
    nextButton =
        button(this, QStringLiteral("next"), QStringLiteral("▶"), QKeySequence(Qt::Key_PageDown));
    pageNumber = new QLabel(this);
    pageNumber->setObjectName(QStringLiteral("pagenumber"));
    options = new PreviewOptions(settings.pageOptions(), this);
    decoders = new DecoderPanel(settings.pageOptions(), this);
    decoders->hide();
    decodersButton = button(this, QStringLiteral("decodersbutton"), QStringLiteral("Dec&oders"));
    decodersButton->setCheckable(true);
    message = new QLabel(this);
    message->setObjectName(QStringLiteral("message"));
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message->setStyleSheet(QStringLiteral("QLabel { color: #a00000; padding: 6px; }"));
    message->hide();
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("status"));
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    view = new PageView(this);
    markers = new MarkerEdit(
        settings.pageOptions(), *view, [this] { return source_.capture(); }, this);

    auto* commands = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{saveButton, copyButton, printButton})
        commands->addWidget(w);
    commands->addSpacing(16);
    for (QWidget* w : std::initializer_list<QWidget*>{fitButton, zoomOut, zoomIn})
        commands->addWidget(w);
    commands->addSpacing(16);
    for (QWidget* w : std::initializer_list<QWidget*>{previousButton, pageNumber, nextButton})
        commands->addWidget(w);
    commands->addStretch(1);
    commands->addWidget(decodersButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(commands);
    column->addWidget(options);
    column->addWidget(markers);
    column->addWidget(message);
    auto* middle = new QHBoxLayout;
    middle->addWidget(view, 1);
    middle->addWidget(decoders);
    column->addLayout(middle, 1);
    column->addWidget(status);

    connect(saveButton, &QPushButton::clicked, this, &Preview::saveAs);
    connect(copyButton, &QPushButton::clicked, this, &Preview::copy);
    connect(printButton, &QPushButton::clicked, this, &Preview::print);
    connect(fitButton, &QPushButton::clicked, view, &PageView::fit);
    connect(decodersButton, &QPushButton::toggled, decoders, &QWidget::setVisible);
    connect(zoomIn, &QPushButton::clicked, view, &PageView::zoomIn);
    connect(zoomOut, &QPushButton::clicked, view, &PageView::zoomOut);
    connect(previousButton, &QPushButton::clicked, view,
            [this] { view->setPage(view->page() - 1); });
    connect(nextButton, &QPushButton::clicked, view, [this] { view->setPage(view->page() + 1); });
    connect(view, &PageView::pageChanged, this, [this](int page, int pages) {
        pageNumber->setText(pages > 0 ? QStringLiteral("page %1 of %2").arg(page + 1).arg(pages)
                                      : QString());
        previousButton->setVisible(pages > 1);
        nextButton->setVisible(pages > 1);
        previousButton->setEnabled(page > 0);
        nextButton->setEnabled(page + 1 < pages);
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(markers, &MarkerEdit::said, status, &QLabel::setText);

    refresh_.setSingleShot(true);
    refresh_.setInterval(0);
    connect(&refresh_, &QTimer::timeout, this, &Preview::refresh);
    connect(&source_, &CaptureSource::changed, this, &Preview::scheduleRefresh);
    connect(&decoding_, &PreviewDecoding::ready, this, &Preview::scheduleRefresh);
    connect(&settings.pageOptions(), &PageOptionsModel::changed, this, &Preview::scheduleRefresh);

    connect(&settings, &SettingsSource::changed, this, &Preview::scheduleRefresh);
    connect(&settings, &SettingsSource::captureLoaded, this, &Preview::captureLoaded);

    resize(1100, 760);
    view->setFocus();
}

void Preview::captureLoaded()
{
    if (settings_)
        source_.follow(settings_->capturePath(), true);
}

void Preview::scheduleRefresh() { refresh_.start(); }

void Preview::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Changes made while it was closed are drawn now.
    scheduleRefresh();
}

void Preview::showMessage(const QString& text)
{
    message->setText(text);
    message->setVisible(!text.isEmpty());
}

void Preview::setPages(std::vector<RecordedPage> pages)
{
    ++recordings_;
    view->setPages(std::move(pages));
}

void Preview::refresh()
{
    refresh_.stop();
    if (!settings_ || !isVisible())
        return;
    // What a command said was about the page it had.
    status->clear();
    markers->clearShown();
    // The path may change without a Load: before any, it is the default.
    const QString path = settings_->capturePath();
    source_.follow(path);
    // What a read of it changed is drawn now, not once more.
    refresh_.stop();
    setWindowTitle(QStringLiteral("Preview — %1").arg(QFileInfo(path).fileName()));

    const Capture* capture = source_.capture();
    const QString problem =
        settings_->pageOptions().problem(capture ? capture->sampleCount() : csv::sampleCount);
    if (!problem.isEmpty()) {
        // The last good page stays in sight, but no command takes it: the
        // message says why.
        showMessage(problem);
        return;
    }
    PageRequest printing = settings_->pageRequest();
    if (capture)
        decoders->setChannels(channelNames(*capture), sampleRate(printing.period) > 0);
    if (printing.channels.empty()) {
        showMessage(noChannel);
        setPages({});
        return;
    }
    if (!capture) {
        showMessage(source_.fault() ? faultText(QStringLiteral("Print"), *source_.fault())
                                    : QString());
        setPages({});
        return;
    }
    if (!printing.options.decoders.empty()) {
        // Decoded on a thread of its own; drawn once that is done.
        const PreviewDecoding::Result* decoded =
            decoding_.decoded(printing, *capture, source_.reads());
        if (!decoded) {
            showMessage(QStringLiteral("Decoding…"));
            return;
        }
        if (decoded->fault) {
            showMessage(faultText(QStringLiteral("Print"), *decoded->fault));
            setPages({});
            return;
        }
        printing.decoded = decoded->lanes;
    }
    try {
        view->releaseCalls();
        setPages(drawPages(printing, *capture));
        shownOptions_ = printing.options;
        markers->setShown(printing, pageLayouts(printing, capture->sampleCount()));
        showMessage(QString());
    } catch (const Fault& fault) {
        showMessage(faultText(QStringLiteral("Print"), fault));
        setPages({});
    } catch (const std::bad_alloc&) {
        showMessage(errorText(QStringLiteral("Print"), QStringLiteral("Out of memory")));
        setPages({});
    }
}

bool Preview::nothingTo(const QString& command)
{
    // A command answers the settings as they read, typing included: Ctrl+S
    // or a click on a button that takes no focus leaves a number unentered.
    options->takeTyping();
    if (refresh_.isActive())
        refresh();
    // What an earlier command did must not stand for this one.
    status->clear();
    if (!view->pages().empty() && message->text().isEmpty())
        return false;
    status->setText(QStringLiteral("Nothing to %1: %2").arg(command, message->text()));
    return true;
}

void Preview::saveAs()
{
    if (!settings_)
        return;
    if (nothingTo(QStringLiteral("save")))
        return;
    const std::vector<RecordedPage> pages = view->pages();
    const QString proposal = outputNameFor(settings_->capturePath(), QString());
    const std::optional<SaveChoice> choice = askSaveAs(this, proposal, cropSaved_);
    if (!choice || !confirmReplacing(this, *choice, int(pages.size())))
        return;
    if (documentFormat(choice->format).crops)
        cropSaved_ = choice->crop;
    PageRequest printing = settings_->pageRequest();
    // The dump covers the samples shown.
    printing.options = shownOptions_;
    try {
        // Many pages take a while to make and write: say so, until an error
        // box, if any, asks for the pointer back.
        const WaitCursor waiting;
        const QStringList files = saveDocuments(*choice, pages, printing, [&]() -> const Capture& {
            if (!source_.capture())
                throw source_.fault().value_or(Fault(FaultKind::CannotOpenFile, source_.path()));
            return *source_.capture();
        });
        status->setText(files.size() == 1
                            ? QStringLiteral("Saved to %1").arg(files.first())
                            : QStringLiteral("Saved to %1 … %2").arg(files.first(), files.last()));
    } catch (const Fault& fault) {
        reportFault(this, QStringLiteral("Save as"), fault);
    } catch (const std::bad_alloc&) {
        reportError(this, QStringLiteral("Save as"), QStringLiteral("Out of memory"));
    }
}

void Preview::copy()
{
    if (nothingTo(QStringLiteral("copy")))
        return;
    const std::vector<RecordedPage>& pages = view->pages();
    const RecordedPage& page = pages[std::size_t(view->page())];
    try {
        // Owned here until the clipboard takes it: a page that cannot be made leaks nothing.
        // What is pasted into a report is the drawing, not a mostly blank sheet.
        auto data = std::make_unique<QMimeData>();
        data->setImageData(QImage::fromData(pngDocument(page, savedPngDpi, true)));
        data->setData(QStringLiteral("image/svg+xml"), svgDocument(page, true));
        QGuiApplication::clipboard()->setMimeData(data.release());
        status->setText(QStringLiteral("Copied page %1 as an image").arg(view->page() + 1));
    } catch (const Fault& fault) {
        reportFault(this, QStringLiteral("Copy"), fault);
    }
}

void Preview::print()
{
    if (nothingTo(QStringLiteral("print")))
        return;
    const std::vector<RecordedPage> pages = view->pages();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(pageSizeOf(pages.front().paper));
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printdialog"));
    modalseam::shown(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Printing to a file, the printer has no name: the file names where it went.
    const QString file = printer.outputFileName();
    const QString target = file.isEmpty() ? printer.printerName() : file;
    // A page laid out on its paper has margins of its own: it goes on the
    // whole paper, not within the printer's.
    const bool filled = pages.front().layout == LayoutKind::Fill;
    printer.setFullPage(filled);
    QPainter painter;
    if (!painter.begin(&printer)) {
        reportError(this, QStringLiteral("Print"),
                    file.isEmpty() ? QStringLiteral("The printer %1 cannot be used.").arg(target)
                                   : QStringLiteral("The file %1 cannot be written.").arg(target));
        return;
    }
    // Each page fitted to the printer's page as a paper is, drawn in
    // 1200-dpi units with its lines on the printer's pixels.
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double toSheet = double(sheetDpi) / printer.resolution();
    const PaperFit paper = pageFit(pages.front());
    const PaperFit fit = filled ? fitPageOnto(paper.width, paper.height, area.width() * toSheet,
                                              area.height() * toSheet)
                                : fitSheetOnto(area.width() * toSheet, area.height() * toSheet);
    painter.scale(1 / toSheet, 1 / toSheet);
    const WaitCursor waiting;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        renderOnPaper(painter, onOutputPixels(pages[i].calls, printer.resolution(), fit), fit);
    }
    painter.end();
    status->setText(QStringLiteral("Sent %1 to %2")
                        .arg(pages.size() == 1 ? QStringLiteral("the page")
                                               : QStringLiteral("%1 pages").arg(pages.size()),
                             target));
}
