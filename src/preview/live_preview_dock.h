#pragma once

#include <QDockWidget>
#include <filesystem>
#include <functional>

class QAction;
class QActionGroup;
class QLabel;
class QVBoxLayout;

namespace marivel {

class DocumentAgent;
class LivePreviewController;
class Shell;

// View > Live Preview: the pane beside the pages that shows the real slider
// of the project as it is edited, with its own tool bar (pause, column
// width, device pixel ratio) and one line for what went wrong. The web
// view inside is made the first time the pane is shown, so an editor that
// never shows it never starts the web engine.
class LivePreviewDock final : public QDockWidget {
    Q_OBJECT
public:
    LivePreviewDock(std::function<const DocumentAgent&()> agent, Shell& shell, std::filesystem::path folder,
                    QWidget* parent = nullptr);
    // The web view goes first, then its page, then the page's profile.
    ~LivePreviewDock() override;

    LivePreviewController& controller() const { return *controller_; }
    QLabel* problemLine() const { return problem_; }
    QAction* pauseAction() const { return pause_; }
    // The tool bar's choices, in their order: slider, 320 px, pane.
    QList<QAction*> columnActions() const;
    // Ratio 1 and 2.
    QList<QAction*> ratioActions() const;

signals:
    // The pane's own close button was pressed.
    void closedByUser();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolBar(QVBoxLayout* layout);
    void startEngine();

    LivePreviewController* controller_;
    QWidget* body_;
    QLabel* problem_;
    QAction* pause_;
    QActionGroup* columns_;
    QActionGroup* ratios_;
    bool starting_ = false;
};

}  // namespace marivel
