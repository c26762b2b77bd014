#pragma once

#include <QElapsedTimer>

class QTextStream;

// "12/200 captures, 35.2 pages/s", redrawn in place at most ten times a
// second; "62/62 captures, 2 failed, ..." once any failed. When not shown,
// every call does nothing.
class ProgressLine {
public:
    ProgressLine(QTextStream& err, bool shown, int total);

    void update(int done, int failed);
    // Clears the line so a message can take its place.
    void clear();
    void finish();

private:
    QTextStream& err_;
    bool shown_;
    int total_;
    QElapsedTimer clock_;
    qint64 drawnAt_ = -1000;
    int width_ = 0;
};
