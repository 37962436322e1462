#include "editor/status_line.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>

#include "platform/local_text.h"

namespace marivel {

StatusLine::StatusLine(QWidget* parent)
    : QStatusBar(parent), hintText_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(24);
    setSizeGripEnabled(true);
    hintText_->setObjectName(QStringLiteral("stctxtHint"));
    hintText_->setFixedWidth(338);
    progress_->setObjectName(QStringLiteral("prgrsbrMainFormBottom"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    addWidget(hintText_, 0);
    addWidget(progress_, 1);
}

StatusLine::~StatusLine() {
    delete waitDialog_;
    if (busy_) QApplication::restoreOverrideCursor();
}

void StatusLine::showHint(const QString& text) {
    if (hintText_->text() != text) hintText_->setText(text);
}

void StatusLine::setHint(const std::string& text) {
    // A message of an earlier command covers the hint and the progress bar:
    // the work that starts now is what the line tells.
    clearMessage();
    hintText_->setText(toQt(text));
    hintText_->repaint();
}

void StatusLine::setBusy(bool busy) {
    // Nested operations each set and clear the cursor; only one override is
    // ever on the stack so the cursor always comes back.
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void StatusLine::repaintProgress() {
    if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintMilliseconds) {
        progress_->update();
        return;
    }
    progress_->repaint();
    sinceRepaint_.start();
}

void StatusLine::setProgressMaximum(int maximum) {
    progress_->setMaximum(maximum);
    repaintProgress();
}

void StatusLine::advanceProgress(int step) {
    const int next = std::min(progress_->value() + step, progress_->maximum());
    // The bar repaints itself whenever its value moves by a pixel; with
    // updates off it only takes the value, and the throttle paints.
    progress_->setUpdatesEnabled(false);
    progress_->setValue(next);
    progress_->setUpdatesEnabled(true);
    repaintProgress();
}

void StatusLine::resetProgress() {
    progress_->setValue(0);
    repaintProgress();
}

void StatusLine::keepAlive() {
    if (keepingAlive_) return;
    keepingAlive_ = true;
    // Paint, expose and resize events pass; keys and clicks stay queued
    // until the operation returns to the event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    keepingAlive_ = false;
}

bool StatusLine::keepWaiting(const std::string& /*reason*/, std::chrono::milliseconds /*waited*/) {
    if (!waitDialog_) {
        waitDialog_ =
            new QProgressDialog(QStringLiteral("Waiting for another save into this folder to finish ..."),
                                QStringLiteral("Cancel"), 0, 0, window());
        waitDialog_->setObjectName(QStringLiteral("dlgWaitingForSave"));
        waitDialog_->setWindowTitle(QStringLiteral("Tessaline"));
        // Modal: the project must not change while its save is pending.
        waitDialog_->setWindowModality(Qt::ApplicationModal);
        waitDialog_->setMinimumDuration(0);
        waitDialog_->setAutoReset(false);
        waitDialog_->setAutoClose(false);
        // The wait cursor would say the window does not listen; it does,
        // to Cancel.
        if (busy_) QApplication::restoreOverrideCursor();
        waitDialog_->show();
    }
    keepingAlive_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    keepingAlive_ = false;
    return !waitDialog_->wasCanceled();
}

void StatusLine::waitEnded() {
    if (!waitDialog_) return;
    waitDialog_->hide();
    waitDialog_->deleteLater();
    waitDialog_ = nullptr;
    if (busy_) QApplication::setOverrideCursor(Qt::WaitCursor);
}

}  // namespace marivel
