#pragma once

#include <QStatusBar>

#include "model/activity_display.h"

class QLabel;
class QProgressBar;

namespace marivel {

// The bottom line of the main window: the status bar "StatusBar1" with the
// hint text "stctxtHint" and the progress bar "prgrsbrMainFormBottom" laid
// over it. Long operations run without an event loop, so every change is
// repainted at once.
class StatusLine final : public QStatusBar, public ActivityDisplay {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);
    ~StatusLine() override;

    QLabel* hintLabel() const { return stctxtHint; }
    QProgressBar* progressBar() const { return prgrsbrMainFormBottom; }

    // ActivityDisplay
    void setHint(const std::string& text) override;
    void setBusy(bool busy) override;
    void setProgressMaximum(int maximum) override;
    void advanceProgress(int step) override;
    void resetProgress() override;

    // The hint line as the mouse-move handler writes it.
    void showHint(const QString& text);

private:
    QLabel* stctxtHint;
    QProgressBar* prgrsbrMainFormBottom;
    bool busy_ = false;
};

}  // namespace marivel
