#pragma once

// What the main window's tests share: a window printing to a fake "Adobe
// PDF" printer, the chooser answered for Load, and the window's state to
// compare before and after a command.

#include "printing/page/recordingsurface.h"
#include "tests/printing/printinghelpers.h"
#include "tests/support/capturefixture.h"
#include "tests/ui/modalanswers.h"
#include "ui/chooser/selectfile.h"
#include "ui/main.h"
#include "ui/toolkit/controlvalues.h"
#include "ui/toolkit/modalseam.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

// Everything a command may change, to compare before and after.
struct WindowState {
    QString filepath, heading, text1, tickfrequency, resolution, unitText;
    QStringList captions;
    QList<int> values;
    int unitindex;
    friend bool operator==(const WindowState&, const WindowState&) = default;
};

inline WindowState stateof(ui::main& w)
{
    WindowState s{w.filepath,
                  w.Heading->text(),
                  w.Text1->text(),
                  w.tickfrequency->text(),
                  w.resolution->text(),
                  w.units->currentText(),
                  {},
                  {},
                  toolkit::comboIndex(w.units)};
    for (int k = 0; k <= 16; ++k) {
        s.captions << w.channelselect[k]->text();
        s.values << toolkit::checkValue(w.channelselect[k]);
    }
    return s;
}

// Answers the chooser with `typed` in the file-name box and OK; an empty
// text answers with Cancel.
inline void answerchooser(const QString& typed)
{
    modalseam::push([typed](QWidget* window) {
        auto* form = qobject_cast<selectfile*>(window);
        QVERIFY(form);
        if (typed.isEmpty()) {
            form->cancelbutton->click();
            return;
        }
        form->filename->setText(typed);
        form->okbutton->click();
    });
}

// The chooser opens on the root, so an absolute path is typed without its
// leading "/".
inline QString typedfor(const QString& path)
{
    return QDir::rootPath() == QStringLiteral("/") && path.startsWith(QLatin1Char('/'))
               ? path.mid(1)
               : path;
}

// Loads `path` in `window` through Load and the chooser.
inline void loadInto(ui::main& window, const QString& path)
{
    answerchooser(typedfor(path));
    window.cmmd[0]->click();
    QCOMPARE(modalseam::pending(), 0);
}

// Samples `first` to `last` over `pages` pages of A4, as the preview sets them.
inline PageOptions onA4(int first, int last, int pages)
{
    PageOptions options;
    options.firstsample = first;
    options.lastsample = last;
    options.pages = pages;
    options.paper = Paper::A4;
    return options;
}

// A fresh window for each test, its printers a fake "Adobe PDF" only.
class MainFixture {
protected:
    QTemporaryDir dir;
    std::unique_ptr<ui::main> window;
    std::shared_ptr<FakePrinter> printer;

    void setUp()
    {
        QVERIFY(dir.isValid());
        window = std::make_unique<ui::main>();
        window->setEndProgram([] {});
        printer = fakePrinter(QStringLiteral("Adobe PDF"));
        window->setPrinterList([this] { return std::vector<PrinterRef>{printer}; });
    }

    void tearDown()
    {
        modalseam::clear();
        window.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    void load(const QString& path) { loadInto(*window, path); }

    std::vector<PrintedText> printedtexts() const { return printer->page.texts(); }
    QString printedheading() const
    {
        for (const PrintedText& t : printedtexts())
            if (t.y == 625)
                return t.text;
        return QStringLiteral("<none>");
    }
};
