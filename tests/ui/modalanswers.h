#pragma once

// Answering the program's modal windows in the window tests.

#include "ui/toolkit/modalseam.h"

#include <QMessageBox>
#include <QString>
#include <QTest>

#include <memory>

// A modal window that no hook answers fails the running test at once, named,
// and is closed, instead of holding the test until its time-out.
inline void failOnUnexpectedModal()
{
    modalseam::setUnexpected([](const QString& window) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected modal window %1").arg(window)), __FILE__,
                     __LINE__);
    });
}

// Takes the text of the next message box, a fault report, and closes it.
inline std::shared_ptr<QString> catchreport()
{
    auto text = std::make_shared<QString>();
    modalseam::push([text](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        QVERIFY(box);
        *text = box->text();
        box->accept();
    });
    return text;
}
