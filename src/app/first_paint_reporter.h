#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <cstdio>

namespace marivel {

// Start-up measurement: on the first paint of the window it watches, prints
// the time since the process entered main() and quits.
class FirstPaintReporter final : public QObject {
public:
    explicit FirstPaintReporter(const QElapsedTimer& sinceStart) : sinceStart_(sinceStart) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            std::printf("startup_ms %.2f\n", double(sinceStart_.nsecsElapsed()) / 1e6);
            std::fflush(stdout);
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& sinceStart_;
    bool reported_ = false;
};

}  // namespace marivel
