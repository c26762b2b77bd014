#pragma once

#include "ui/modalseam.h"

#include <QTest>

// A modal window that no hook answers fails the running test at once, named,
// and is closed, instead of holding the test until its time-out.
inline void failOnUnexpectedModal()
{
    modalseam::setUnexpected([](const QString& window) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected modal window %1").arg(window)), __FILE__,
                     __LINE__);
    });
}
