#pragma once

#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>

#include "documents/browser_detection.h"
#include "documents/document_host.h"
#include "editor/error_box.h"
#include "editor/tree_widget_design_tree.h"
#include "output/publishing_agent.h"

class QAction;
class QCloseEvent;
class QSplitter;
class QTabWidget;
class QTreeWidgetItem;

namespace marivel {

class DocumentCommands;
class HelpCommands;
class ItemPage;
class MainActions;
class PathPage;
class PreviewCommands;
class Prompter;
class ScriptPage;
class SettingsStore;
class Shell;
class StatusLine;

// Where the main window finds the world around it. Tests point the program
// folder and the desktop data folder at temporary folders.
struct MainFormOptions {
    std::filesystem::path programFolder;   // the folder of the executable: what ships
    std::filesystem::path writableFolder;  // where the program writes; empty: the program folder
    bool registerFileType = true;
    QString executable;  // registered as the program for project files; empty: this process
    QString dataHome;    // XDG data folder for the registration; empty: $XDG_DATA_HOME
    bool runCacheUpdaters = true;
    BrowserLocations browsers = BrowserLocations::fromEnvironment();  // where browsers are looked for
};

// The main window: owns the document agent, the design tree, the property
// pages and the editor state, and conducts the commands between them. The
// document commands reach it as their DocumentHost.
class TMainForm final : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    TMainForm(Prompter& prompter, SettingsStore& settings, Shell& shell, MainFormOptions options,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- editor state ------------------------------------------------------------
    bool Modified() const override { return modified_; }
    void MarkModified();
    void ClearModified() override;
    // The start-up sets it without touching the Save commands, so that
    // opening the command-line project asks no question about saving.
    void SetModifiedFlag(bool modified) { modified_ = modified; }
    QTreeWidgetItem* CurrentItemNode() const { return currentItemNode_; }
    bool SuppressTreeEvents() const { return suppressTreeEvents_; }
    const QString& CurrentFileName() const override { return currentFileName_; }
    void SetCurrentFileName(const QString& path) override { currentFileName_ = path; }
    int LastPageIndex() const { return lastPageIndex_; }

    // --- pages and model ---------------------------------------------------------
    void SaveAppletPane();
    void LoadAppletPane() override;
    void ShowItemImagePath() override;
    void SaveItemPane(int index);
    void LoadItemPane(int index);
    // SaveAppletPane, then SaveItemPane for CurrentItemNode when it is set:
    // what every save, build and preview does first.
    void CommitPanes() override;

    // --- design tree ---------------------------------------------------------------
    void Insert1Click();
    void Delete1Click();
    void MoveUp1Click();
    void MoveDown1Click();
    void UpdateItemCommands();
    void UpdatePageTabs();
    void CountDescendants(QTreeWidgetItem* node);
    int DescendantCount() const { return descendantCount_; }

    // --- documents -----------------------------------------------------------------
    // Opens the project file at path (nothing for an empty path), asking
    // first about unsaved changes. Errors go to the caller.
    void OpenProjectByPath(const QString& path);
    DocumentCommands& Documents() const { return *documents_; }

    // --- DocumentHost ---------------------------------------------------------------
    DesignTree& ProjectTree() override { return *designTree_; }
    void ResetTree() override { resetTree(); }
    void ResumeTreeEvents() override { suppressTreeEvents_ = false; }
    void ShowRoot(bool expandItems) override;
    SettingsStore& Settings() const override { return settings_; }
    Shell& SystemShell() const override { return shell_; }
    QWidget* DialogParent() override { return this; }
    QMenu* RecentFilesMenu() const override;
    bool RunGuarded(const std::function<void()>& command) override;

    // --- parts for the application and the tests ----------------------------------
    PublishingAgent& Agent() override { return *agent_; }
    TreeWidgetDesignTree& DesignTreeAdapter() { return *designTree_; }
    QTreeWidget* Tree() const;
    MainActions& Actions() const { return *actions_; }
    StatusLine& Status() const { return *statusLine_; }
    QTabWidget* Pages() const { return pgcntrl1; }
    ScriptPage* Script() const { return scriptPage_; }
    PathPage* Path() const { return pathPage_; }
    ItemPage* Item() const { return itemPage_; }
    Prompter& Prompts() const override { return prompter_; }
    PreviewCommands& Preview() const { return *preview_; }
    HelpCommands& Help() const { return *help_; }

    // Runs a command of the user through the standard error box.
    template <typename Command>
    void Run(Command&& command) {
        RunCommand(prompter_, this, std::forward<Command>(command));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every way of closing the window (the Exit command, the window manager,
    // Alt+F4, the end of the session) asks about unsaved changes first.
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void buildLayout();
    // Runs command through the standard error box whenever one of the
    // actions is triggered.
    void bind(std::initializer_list<QAction*> actions, const std::function<void()>& command);
    void connectCommands();
    void connectDocumentCommands();
    void connectPages();
    void installHintLine();
    void registerFileType();
    void resetTree();
    void selectRoot();

    void trvwDesignPanelChange(QTreeWidgetItem* current);
    void trvwDesignPanelMouseDown();
    void spnedtApWidthMouseMove(QWidget* control);
    void showTreePopup(const QPoint& position);

    void ToolBar1Click(bool shown);
    void StatusBar2Click(bool shown);

    int selectedIndex() const;
    int descendantsOf(int index);
    void moveBlockBefore(int moving, int before);
    int indexOf(QTreeWidgetItem* node) const;
    // Structural edits of the tree run with the selection-change handler
    // silenced; the handler is run explicitly afterwards where needed.
    struct StructuralEdit;

    Prompter& prompter_;
    SettingsStore& settings_;
    Shell& shell_;
    MainFormOptions options_;
    std::unique_ptr<PublishingAgent> agent_;
    std::unique_ptr<DocumentCommands> documents_;

    bool modified_ = false;
    // The tab arrangement last made, by selected node index; no index is
    // this, so the first arrangement always runs.
    static constexpr int kNeverArranged = -2009;
    int lastPageIndex_ = kNeverArranged;
    int descendantCount_ = 0;
    QTreeWidgetItem* currentItemNode_ = nullptr;
    bool suppressTreeEvents_ = false;
    bool structuralEdit_ = false;
    struct MoveKey {
        quint64 time = ~quint64(0);
        QPointF position;
        bool operator==(const MoveKey&) const = default;
    };
    MoveKey lastMove_;
    QString currentFileName_;

    MainActions* actions_ = nullptr;
    StatusLine* statusLine_ = nullptr;
    QWidget* pnlTreeView = nullptr;
    DesignTreeWidget* trvwDesignPanel = nullptr;
    QSplitter* splitter_ = nullptr;
    QTabWidget* pgcntrl1 = nullptr;
    ScriptPage* scriptPage_ = nullptr;
    ItemPage* itemPage_ = nullptr;
    PathPage* pathPage_ = nullptr;
    std::unique_ptr<TreeWidgetDesignTree> designTree_;
    std::unique_ptr<PreviewCommands> preview_;
    std::unique_ptr<HelpCommands> help_;
};

// Start-up: the command-line arguments (without the program's own name),
// each followed by one space, with blanks and control characters trimmed
// from both ends of the whole.
QString JoinCommandLine(const QStringList& arguments);

// Start-up: opens the project named by the command-line arguments, if any.
// Nothing is asked about unsaved changes and nothing is reported: a project
// that cannot be opened leaves the editor as the failed open left it.
void OpenCommandLineProject(TMainForm& form, const QStringList& arguments);

}  // namespace marivel
