#pragma once

// What the preview's tests share: the main window with a capture loaded, two
// channels ticked and its preview open and active.

#include "tests/ui/mainfixture.h"
#include "ui/preview/capturesource.h"
#include "ui/preview/preview.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>

class PreviewFixture : public MainFixture {
protected:
    QString capture;

    Preview& preview() { return *window->preview(); }

    // The preview once the events of this turn (and a file's settling) are through.
    void settle()
    {
        QTest::qWait(0);
        QCoreApplication::processEvents();
    }

    void setUp()
    {
        MainFixture::setUp();
        // A row may leave a link to a device there: written through, it would replace the device.
        QFile::remove(dir.filePath(QStringLiteral("bus.csv")));
        capture = capturefixture::writeCapture(dir, QStringLiteral("bus.csv"),
                                               capturefixture::counterExample());
        load(capture);
        toolkit::setCheckValue(window->channelselect[0], 1);
        toolkit::setCheckValue(window->channelselect[1], 1);
        window->cmmd[1]->click();
        QVERIFY(window->preview());
        QVERIFY(QTest::qWaitForWindowExposed(&preview()));
        // Its shortcuts work in the active window.
        QVERIFY(QTest::qWaitForWindowActive(&preview()));
        settle();
    }

    void tearDown()
    {
        MainFixture::tearDown();
        CaptureSource::readWith({}, std::chrono::seconds(3));
    }
};
