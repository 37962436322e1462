// The bottom line on its own: progress that costs nothing when it advances
// hundreds of thousands of times.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>

#include "editor/status_line.h"

namespace marivel {
namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

TEST(StatusLineTest, ProgressRepaintsAtMostTwentyTimesASecondAndEndsRight) {
    StatusLine line;
    line.resize(600, 24);
    line.show();
    QApplication::processEvents();
    PaintCounter counter;
    line.progressBar()->installEventFilter(&counter);
    constexpr int kSteps = 30000;
    QElapsedTimer clock;
    clock.start();
    line.setProgressMaximum(kSteps);
    for (int k = 0; k < kSteps; ++k) line.advanceProgress(1);
    const qint64 elapsed = clock.elapsed();
    // One repaint at the start, then one per interval at most.
    EXPECT_LE(counter.paints, 1 + elapsed / StatusLine::kRepaintMilliseconds + 1) << elapsed << " ms";
    EXPECT_EQ(line.progressBar()->value(), kSteps);
    // What was not painted during the work is painted once the window's
    // events run again.
    const int during = counter.paints;
    QApplication::processEvents();
    EXPECT_GT(counter.paints, during);
}

}  // namespace
}  // namespace marivel
