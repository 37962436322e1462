#include "preview/live_preview_dock.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "preview/live_preview_controller.h"
#include "preview/preview_web.h"

namespace marivel {

LivePreviewDock::LivePreviewDock(std::function<const DocumentAgent&()> agent, Shell& shell,
                                 std::filesystem::path folder, QWidget* parent)
    : QDockWidget(QStringLiteral("Live Preview"), parent),
      controller_(new LivePreviewController(std::move(agent), shell, std::move(folder), this)) {
    setObjectName(QStringLiteral("livePreviewDock"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar(layout);
    body_ = new QWidget(content);
    body_->setMinimumSize(160, 160);
    layout->addWidget(body_, 1);
    problem_ = new QLabel(content);
    problem_->setObjectName(QStringLiteral("livePreviewProblem"));
    problem_->setTextFormat(Qt::PlainText);
    problem_->setContentsMargins(4, 2, 4, 2);
    problem_->hide();
    layout->addWidget(problem_);
    setWidget(content);

    connect(controller_, &LivePreviewController::problem, this, [this](const QString& text) {
        // One line, however long the message: the rest in its tooltip.
        const QString line = text.section(QLatin1Char('\n'), 0, 0);
        problem_->setText(problem_->fontMetrics().elidedText(line, Qt::ElideRight, qMax(100, width() - 8)));
        problem_->setToolTip(text);
        problem_->setVisible(!text.isEmpty());
    });
    connect(this, &QDockWidget::visibilityChanged, controller_, &LivePreviewController::setActive);
}

LivePreviewDock::~LivePreviewDock() {
    controller_->stop();
}

void LivePreviewDock::buildToolBar(QVBoxLayout* layout) {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("livePreviewToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    pause_ = bar->addAction(QStringLiteral("Pause"));
    pause_->setObjectName(QStringLiteral("livePreviewPause"));
    pause_->setCheckable(true);
    pause_->setToolTip(QStringLiteral("Pause or play the slider"));
    connect(pause_, &QAction::toggled, this, [this](bool paused) {
        pause_->setText(paused ? QStringLiteral("Play") : QStringLiteral("Pause"));
        controller_->setPaused(paused);
    });
    bar->addSeparator();

    columns_ = new QActionGroup(this);
    const std::pair<const char*, PreviewColumn> columns[] = {{"Slider width", PreviewColumn::Slider},
                                                             {"320 px", PreviewColumn::Narrow},
                                                             {"Pane width", PreviewColumn::Pane}};
    for (const auto& [caption, column] : columns) {
        QAction* action = bar->addAction(QString::fromLatin1(caption));
        action->setCheckable(true);
        action->setToolTip(QStringLiteral("The width of the column the slider stands in"));
        columns_->addAction(action);
        const PreviewColumn chosen = column;
        connect(action, &QAction::triggered, controller_, [this, chosen] { controller_->setColumn(chosen); });
    }
    columns_->actions().first()->setChecked(true);
    bar->addSeparator();

    ratios_ = new QActionGroup(this);
    for (int ratio : {1, 2}) {
        QAction* action = bar->addAction(QStringLiteral("%1x").arg(ratio));
        action->setCheckable(true);
        action->setToolTip(QStringLiteral("Device pixel ratio %1").arg(ratio));
        ratios_->addAction(action);
        connect(action, &QAction::triggered, controller_,
                [this, ratio] { controller_->setPixelRatio(ratio); });
    }
    ratios_->actions().first()->setChecked(true);
    layout->addWidget(bar);
}

QList<QAction*> LivePreviewDock::columnActions() const {
    return columns_->actions();
}

QList<QAction*> LivePreviewDock::ratioActions() const {
    return ratios_->actions();
}

void LivePreviewDock::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    emit closedByUser();
}

void LivePreviewDock::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    if (controller_->attached() || starting_) return;
    // The first showing starts the web engine, once the window has been
    // painted: the editor is there at once, the slider follows.
    starting_ = true;
    QTimer::singleShot(0, this, &LivePreviewDock::startEngine);
}

void LivePreviewDock::startEngine() {
    if (controller_->attached()) return;
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!controller_->start(body_)) return;
    layout->addWidget(controller_->web()->widget());
    controller_->setActive(isVisible());
}

}  // namespace marivel
