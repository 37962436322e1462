#pragma once

#include <QElapsedTimer>
#include <QStatusBar>

#include "model/activity_display.h"

class QLabel;
class QProgressBar;
class QProgressDialog;

namespace marivel {

// The bottom line of the main window: the status bar "StatusBar1" with the
// hint text "stctxtHint" and the progress bar "prgrsbrMainFormBottom" laid
// over it. Long operations run without an event loop, so every change is
// repainted at once (the progress bar at most about twenty times a second:
// a save of a long project advances it hundreds of thousands of times);
// while they wait for work on other threads, keepAlive()
// lets the windows repaint without taking the user's input.
class StatusLine final : public QStatusBar, public ActivityDisplay {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);
    ~StatusLine() override;

    QLabel* hintLabel() const { return hintText_; }
    QProgressBar* progressBar() const { return progress_; }

    // ActivityDisplay
    void setHint(const std::string& text) override;
    void setBusy(bool busy) override;
    void setProgressMaximum(int maximum) override;
    void advanceProgress(int step) override;
    void resetProgress() override;
    void keepAlive() override;
    // While a save waits for another save into the same folder, a small
    // window says so with a Cancel button ("dlgWaitingForSave"), the only
    // thing the user can click meanwhile; Cancel gives the save up.
    bool keepWaiting(const std::string& reason, std::chrono::milliseconds waited) override;
    void waitEnded() override;

    // True while keepAlive() runs events: whatever arrives then must not
    // start work of its own (the operation is still under way).
    bool keepingAlive() const { return keepingAlive_; }

    // The hint line as the mouse-move handler writes it.
    void showHint(const QString& text);

    // Progress repaints are at least this far apart.
    static constexpr int kRepaintMilliseconds = 50;

private:
    // Repaints the progress bar now when the last repaint is long enough
    // ago; otherwise it is only marked for the next paint.
    void repaintProgress();

    QLabel* hintText_;
    QElapsedTimer sinceRepaint_;
    QProgressBar* progress_;
    QProgressDialog* waitDialog_ = nullptr;
    bool busy_ = false;
    bool keepingAlive_ = false;
};

}  // namespace marivel
