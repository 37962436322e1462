#include "editor/status_line.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>

#include "platform/local_text.h"

namespace marivel {

StatusLine::StatusLine(QWidget* parent)
    : QStatusBar(parent), stctxtHint(new QLabel(this)), prgrsbrMainFormBottom(new QProgressBar(this)) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(24);
    setSizeGripEnabled(true);
    stctxtHint->setObjectName(QStringLiteral("stctxtHint"));
    stctxtHint->setFixedWidth(338);
    prgrsbrMainFormBottom->setObjectName(QStringLiteral("prgrsbrMainFormBottom"));
    prgrsbrMainFormBottom->setRange(0, 100);
    prgrsbrMainFormBottom->setValue(0);
    prgrsbrMainFormBottom->setTextVisible(false);
    addWidget(stctxtHint, 0);
    addWidget(prgrsbrMainFormBottom, 1);
}

StatusLine::~StatusLine() {
    if (busy_) QApplication::restoreOverrideCursor();
}

void StatusLine::showHint(const QString& text) {
    if (stctxtHint->text() != text) stctxtHint->setText(text);
}

void StatusLine::setHint(const std::string& text) {
    stctxtHint->setText(toQt(text));
    stctxtHint->repaint();
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

void StatusLine::setProgressMaximum(int maximum) {
    prgrsbrMainFormBottom->setMaximum(maximum);
    prgrsbrMainFormBottom->repaint();
}

void StatusLine::advanceProgress(int step) {
    const int next = std::min(prgrsbrMainFormBottom->value() + step, prgrsbrMainFormBottom->maximum());
    prgrsbrMainFormBottom->setValue(next);
    prgrsbrMainFormBottom->repaint();
}

void StatusLine::resetProgress() {
    prgrsbrMainFormBottom->setValue(0);
    prgrsbrMainFormBottom->repaint();
}

void StatusLine::keepAlive() {
    if (keepingAlive_) return;
    keepingAlive_ = true;
    // Paint, expose and resize events pass; keys and clicks stay queued
    // until the operation returns to the event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    keepingAlive_ = false;
}

}  // namespace marivel
