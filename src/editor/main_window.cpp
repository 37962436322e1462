#include "editor/main_window.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "documents/document_commands.h"
#include "documents/help_commands.h"
#include "documents/image_quality_dialog.h"
#include "documents/preview_commands.h"
#include "editor/icon_set.h"
#include "editor/item_decorations.h"
#include "editor/item_page.h"
#include "editor/main_actions.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "editor/status_line.h"
#include "editor/window_activation.h"
#include "model/field_codec.h"
#include "platform/file_type_registration.h"
#include "platform/prompter.h"
#include "platform/shell.h"

namespace marivel {

namespace {
const QString kTreeHint = QStringLiteral("Add, remove or move items by right-clicking the mouse.");
constexpr const char* kHintControls[] = {
    "tbshtScript",
    "pnl_pBgColor",
    "pnl_pContainerBorderColor",
    "pnl_pImageBorderColor",
    "spnedt_pWidth",
    "spedt_pHeight",
    "spnedt_pStep",
    "spnedt_pDelay",
    "spnedt_pGap",
    "spnedt_pTrailerSpace",
    "spnedt_pContainerBorderWidth",
    "spnedt_pImageBorderWidth",
    "GroupBox7",
    "spdbtnItURL",
    "spdbtnOriginalImagePath",
    "edt_IToolTip",
};
// A text box keeps Ctrl+Z for its own typing while it has some to take back;
// once it has none, the keys reach Undo and Redo of the Edit menu instead of
// doing nothing.
class UndoKeyPassing final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool undoKey = key->matches(QKeySequence::Undo);
        const bool redoKey = key->matches(QKeySequence::Redo) ||
                             key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
                             key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
        if (!undoKey && !redoKey) return false;
        QLineEdit* edit = qobject_cast<QLineEdit*>(watched);
        if (auto* list = qobject_cast<QComboBox*>(watched)) edit = list->lineEdit();
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(watched)) edit = spin->findChild<QLineEdit*>();
        if (!edit || (undoKey ? edit->isUndoAvailable() : edit->isRedoAvailable())) return false;
        event->ignore();
        return true;
    }
};

}  // namespace

QString JoinCommandLine(const QStringList& arguments) {
    QString joined;
    for (const QString& argument : arguments) joined += argument + QLatin1Char(' ');
    qsizetype begin = 0;
    qsizetype end = joined.size();
    while (begin < end && joined.at(begin).unicode() <= 32) ++begin;
    while (end > begin && joined.at(end - 1).unicode() <= 32) --end;
    return joined.mid(begin, end - begin);
}

void OpenCommandLineProject(MainWindow& form, const QStringList& arguments) {
    const QString path = JoinCommandLine(arguments);
    if (path.isEmpty()) return;
    form.setModifiedFlag(false);
    try {
        form.openProjectByPath(path);
    } catch (...) {
        // Dropped on purpose: the user asked for no command yet.
    }
}

MainWindow::MainWindow(Prompter& prompter, SettingsStore& settings, Shell& shell, MainWindowOptions options,
                       QWidget* parent)
    : QMainWindow(parent),
      prompter_(prompter),
      settings_(settings),
      shell_(shell),
      options_(std::move(options)) {
    setObjectName(QStringLiteral("MainForm"));
    new WindowActivationReturn(*this);
    buildLayout();
    documents_ = std::make_unique<DocumentCommands>(*this);
    connectCommands();
    connectPages();
    installPictures();
    installHintLine();
    installUndoKeys();
    initialize();
    // The HTML code window and then the help window come with these
    // commands: created hidden now and kept for the whole run.
    preview_ = std::make_unique<PreviewCommands>(*this, options_.browsers);
    help_ = std::make_unique<HelpCommands>(*this);
    itemPage_->setProjectFolder([this] { return agent_->ProjectFolder; });
    installLivePreview();
}

MainWindow::~MainWindow() {
    // The pages' change handlers must not reach a half-destroyed window.
    if (scriptPage_) scriptPage_->disconnect(this);
    if (pathPage_) pathPage_->disconnect(this);
    if (itemPage_) itemPage_->disconnect(this);
    if (designTreeWidget_) designTreeWidget_->disconnect(this);
}

QTreeWidget* MainWindow::treeWidget() const {
    return designTreeWidget_;
}

void MainWindow::buildLayout() {
    resize(781, 524);
    QFont font = this->font();
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    setWindowIcon(icons::application());

    actions_ = new MainActions(*this);

    statusLine_ = new StatusLine(this);
    setStatusBar(statusLine_);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("Splitter1"));
    splitter_->setHandleWidth(3);
    splitter_->setChildrenCollapsible(false);

    treePanel_ = new QWidget(splitter_);
    treePanel_->setObjectName(QStringLiteral("pnlTreeView"));
    auto* treeLayout = new QVBoxLayout(treePanel_);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    designTreeWidget_ = new DesignTreeWidget(treePanel_);
    designTreeWidget_->setObjectName(QStringLiteral("trvwDesignPanel"));
    designTreeWidget_->setHeaderHidden(true);
    designTreeWidget_->setColumnCount(1);
    designTreeWidget_->setIndentation(19);
    designTreeWidget_->setIconSize(QSize(16, 16));
    designTreeWidget_->setSelectionMode(QAbstractItemView::SingleSelection);
    designTreeWidget_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    designTreeWidget_->setUniformRowHeights(true);
    designTreeWidget_->setContextMenuPolicy(Qt::CustomContextMenu);
    designTreeWidget_->setToolTip(kTreeHint);
    designTreeWidget_->setProperty("hint", kTreeHint);
    treeLayout->addWidget(designTreeWidget_);
    designTree_ =
        std::make_unique<TreeWidgetDesignTree>(*designTreeWidget_, icons::itemNode(), icons::rootNode());

    propertyTabs_ = new QTabWidget(splitter_);
    propertyTabs_->setObjectName(QStringLiteral("pgcntrl1"));
    propertyTabs_->setMinimumSize(433, 420);
    scriptPage_ = new ScriptPage(prompter_, settings_);
    itemPage_ = new ItemPage(prompter_, settings_);
    pathPage_ = new PathPage(prompter_, settings_);
    scriptPage_->setObjectName(QStringLiteral("tbshtScript"));
    itemPage_->setObjectName(QStringLiteral("tbshtItemGeneral"));
    pathPage_->setObjectName(QStringLiteral("tbshtPath"));
    propertyTabs_->addTab(scriptPage_, QStringLiteral("Script"));
    propertyTabs_->addTab(itemPage_, QStringLiteral("Item General"));
    propertyTabs_->addTab(pathPage_, QStringLiteral("Path"));

    splitter_->addWidget(treePanel_);
    splitter_->addWidget(propertyTabs_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({337, 781 - 337 - 3});
    setCentralWidget(splitter_);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void MainWindow::bind(std::initializer_list<QAction*> actions, const std::function<void()>& command) {
    for (QAction* action : actions)
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
}

void MainWindow::connectCommands() {
    MainActions& a = *actions_;
    bind({a.popupInsertAction, a.insertAction, a.insertTool}, [this] { insertItem(); });
    bind({a.popupDeleteAction, a.deleteAction, a.deleteTool}, [this] { deleteItem(); });
    bind({a.popupMoveUpAction, a.moveUpAction, a.moveUpTool}, [this] { moveItemUp(); });
    bind({a.popupMoveDownAction, a.moveDownAction, a.moveDownTool}, [this] { moveItemDown(); });
    bind({a.undoAction}, [this] { undo(); });
    bind({a.redoAction}, [this] { redo(); });
    connectDocumentCommands();
    // The output and help commands are made after the menus are connected:
    // each click reaches them anew.
    bind({a.buildHtmlAction, a.buildHtmlTool}, [this] { preview_->showHtmlCode(); });
    bind({a.previewAction, a.previewTool}, [this] { preview_->previewInBrowser(); });
    bind({a.publishAction}, [this] { preview_->showPublishReport(); });
    bind({a.webBrowserAction}, [this] { preview_->chooseWebBrowser(); });
    bind({a.ImageQuality1}, [this] { chooseImageQuality(); });

    connect(a.toolBarAction, &QAction::triggered, this, &MainWindow::showToolBar);
    connect(a.statusBarAction, &QAction::triggered, this, &MainWindow::showStatusLine);
    // The window's own tool-bar menu would hide the bar behind the tick's back.
    setContextMenuPolicy(Qt::NoContextMenu);

    bind({a.helpTopicsAction, a.helpTool}, [this] { help_->showHelpTopics(); });
    bind({a.viewSampleAction}, [this] { help_->viewSample(); });
    bind({a.homepageAction}, [this] { help_->openHomepage(); });
    bind({a.contactUsAction}, [this] { help_->openContactPage(); });
    bind({a.aboutAction}, [this] { help_->showAbout(); });

    connect(designTreeWidget_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { run([&] { treeSelectionChanged(current); }); });
    connect(designTreeWidget_, &DesignTreeWidget::mousePressed, this,
            [this] { run([this] { treeMousePressed(); }); });
    connect(designTreeWidget_, &QWidget::customContextMenuRequested, this, &MainWindow::showTreePopup);
    connect(designTreeWidget_, &DesignTreeWidget::moveRequested, this,
            [this](QTreeWidgetItem* node, QTreeWidgetItem* target, DesignTreeWidget::DropPlace place) {
                run([&] { moveNode(node, target, place); });
            });
}

void MainWindow::connectDocumentCommands() {
    MainActions& a = *actions_;
    bind({a.newAction, a.newTool}, [this] { documents_->newProject(); });
    bind({a.openAction, a.openTool}, [this] { documents_->openWithDialog(); });
    bind({a.saveAction, a.saveTool}, [this] { documents_->saveProject(); });
    bind({a.saveAsAction}, [this] { documents_->saveProjectAs(); });
    bind({a.templatesAction}, [this] { documents_->showTemplates(); });
    bind({a.saveAsTemplateAction}, [this] { documents_->saveAsTemplate(); });
    connect(a.exitAction, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::connectPages() {
    connect(scriptPage_, &ScriptPage::modified, this, &MainWindow::markModified);
    connect(pathPage_, &PathPage::modified, this, &MainWindow::markModified);
    connect(itemPage_, &ItemPage::modified, this, &MainWindow::markModified);
    // Leaving a field, or picking a value from a list or a dialog, commits
    // the pages: each such edit is one step of the undo history.
    auto fieldEdited = [this](bool typed) { run([this, typed] { commitFieldEdits(typed); }); };
    connect(scriptPage_, &ScriptPage::editFinished, this, fieldEdited);
    connect(pathPage_, &PathPage::editFinished, this, fieldEdited);
    connect(itemPage_, &ItemPage::editFinished, this, fieldEdited);
    // The ten group help buttons share one handler, told apart by their tags.
    auto groupHelp = [this](int tag) { run([this, tag] { help_->showGroupHelp(tag); }); };
    connect(scriptPage_, &ScriptPage::helpRequested, this, groupHelp);
    connect(pathPage_, &PathPage::helpRequested, this, groupHelp);
    connect(itemPage_, &ItemPage::helpRequested, this, groupHelp);
}

void MainWindow::chooseImageQuality() {
    ImageQualityDialog dialog(settings_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    agent_->Quality = dialog.chosen();
    emit projectEdited();
}

void MainWindow::initialize() {
    const std::filesystem::path writable =
        options_.writableFolder.empty() ? options_.programFolder : options_.writableFolder;
    agent_ = std::make_unique<PublishingAgent>(ProgramFolders{options_.programFolder, writable}, statusLine_);
    agent_->Quality = LoadImageQuality(settings_);
    agent_->SetWorkFolder(options_.workFolder);
    currentItemNode_ = nullptr;
    descendantCount_ = 0;
    suppressTreeEvents_ = false;
    currentFileName_.clear();
    resetTree();
    suppressTreeEvents_ = false;
    agent_->ResetProject();
    loadSliderPages();
    setWindowTitle(QStringLiteral("Marivel"));
    registerFileType();
    // A list that cannot be read is told, and the editor starts without it.
    runGuarded([this] { documents_->loadRecentFilesMenu(); });
    clearModified();
    lastPageIndex_ = kNeverArranged;
    // The item commands stay as the designer made them (all enabled) until
    // the tree is first used; their handlers guard the root.
    updatePageTabs();
}

void MainWindow::registerFileType() {
    if (!options_.registerFileType) return;
    FileTypeRegistration registration;
    registration.executable =
        options_.executable.isEmpty() ? QCoreApplication::applicationFilePath() : options_.executable;
    registration.dataHome =
        options_.dataHome.isEmpty() ? FileTypeRegistration::defaultDataHome() : options_.dataHome;
    registration.runCacheUpdaters = options_.runCacheUpdaters;
    registration.icon = icons::application().pixmap(32, 32).toImage();
    // An installed program's package brings its own desktop entry.
    registration.installed = !agent_->Folders().IsPortable();
    // A desktop that cannot take the association is no reason to stop.
    registration.writeFreedesktop();
#ifdef Q_OS_WIN
    writeClassesRootAssociation(settings_, registration.executable);
#endif
}

void MainWindow::setModifiedState(bool modified) {
    modified_ = modified;
    actions_->saveTool->setEnabled(modified);
    actions_->saveAction->setEnabled(modified);
}

void MainWindow::markModified() {
    setModifiedState(true);
}

void MainWindow::clearModified() {
    setModifiedState(false);
    // Start, New and Open end here with the new project shown: the history
    // starts from it.
    if (historyPending_ && !suppressTreeEvents_) resetHistory();
}

// --- pages ------------------------------------------------------------------------

void MainWindow::commitSliderPages() {
    scriptPage_->settleNumbers();
    SliderSettings slider;
    scriptPage_->apply(slider);
    pathPage_->apply(slider);
    agent_->SetAppletData(slider);
}

void MainWindow::loadSliderPages() {
    const SliderSettings slider = agent_->GetAppletData();
    scriptPage_->load(slider);
    pathPage_->load(slider);
}

void MainWindow::commitItemPage(int index) {
    agent_->SetItem(itemPage_->commit(), index);
    // A path typed into the page shows on its node once it is committed.
    if (decorations_) decorations_->refresh(designTree_->item(index + 1));
}

void MainWindow::loadItemPage(int index) {
    itemPage_->load(agent_->GetItem(index));
}

void MainWindow::showItemImagePath() {
    if (currentItemNode_)
        itemPage_->showImagePath(agent_->GetItem(indexOf(currentItemNode_) - 1).OriginalImagePath);
}

void MainWindow::commitPages() {
    commitSliderPages();
    if (currentItemNode_) commitItemPage(indexOf(currentItemNode_) - 1);
    // What the user typed reaches the history before the command's own work.
    recordFieldEdits(true);
}

// --- hint line --------------------------------------------------------------------

void MainWindow::installHintLine() {
    QList<QWidget*> controls;
    for (const char* name : kHintControls)
        if (auto* w = findChild<QWidget*>(QLatin1String(name))) controls << w;
    controls << treePanel_ << designTreeWidget_ << designTreeWidget_->viewport();
    for (QToolButton* b : actions_->toolButtons()) controls << b;
    controls << actions_->button(actions_->insertPicturesTool);
    for (QWidget* w : controls) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void MainWindow::installUndoKeys() {
    auto* passing = new UndoKeyPassing(this);
    for (QWidget* page : {static_cast<QWidget*>(scriptPage_), static_cast<QWidget*>(pathPage_),
                          static_cast<QWidget*>(itemPage_)}) {
        for (QLineEdit* edit : page->findChildren<QLineEdit*>()) edit->installEventFilter(passing);
        // The focus stays on these and they hand the keys to their inner edit.
        for (QAbstractSpinBox* spin : page->findChildren<QAbstractSpinBox*>())
            spin->installEventFilter(passing);
        for (QComboBox* list : page->findChildren<QComboBox*>())
            if (list->isEditable()) list->installEventFilter(passing);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (takeProjectDrop(event)) return true;
    if (event->type() == QEvent::ToolTip && watched == designTreeWidget_->viewport()) {
        // Item nodes tell their picture, size, link and tooltip; elsewhere
        // the tree's own tooltip shows.
        const auto* help = static_cast<QHelpEvent*>(event);
        QTreeWidgetItem* node = designTreeWidget_->itemAt(help->pos());
        if (node && node->parent()) {
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("<p style='white-space:pre'>%1</p>")
                                   .arg(itemToolTip(node).toHtmlEscaped().replace(QLatin1Char('\n'),
                                                                                  QStringLiteral("<br>"))),
                               designTreeWidget_->viewport());
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        // A move that a watched control leaves unhandled travels on to its
        // watched parent as a copy with the same time and screen position;
        // the innermost control's hint is the one to keep.
        const auto* move = static_cast<QMouseEvent*>(event);
        const MoveKey key{move->timestamp(), move->globalPosition()};
        auto* control = qobject_cast<QWidget*>(watched);
        if (control == designTreeWidget_->viewport()) control = designTreeWidget_;
        if (control && !(key == lastMove_)) {
            lastMove_ = key;
            showControlHint(control);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showControlHint(QWidget* control) {
    if (suppressTreeEvents_) return;
    statusLine_->showHint(control->property("hint").toString());
}

// --- documents --------------------------------------------------------------------

void MainWindow::openProjectByPath(const QString& path) {
    documents_->openProjectByPath(path);
}

void MainWindow::showRoot(bool expandItems) {
    // The view lays out expanded nodes level by level on the stack, so a file
    // nested tens of thousands of levels deep would crash it when expanded
    // whole; no project a person reads nests anywhere near this far.
    constexpr int kExpandedLevels = 200;
    if (expandItems) designTreeWidget_->expandRecursively(designTreeWidget_->rootIndex(), kExpandedLevels);
    selectRoot();
    refreshItemDecorations();
    // The root is selected without a mouse press: the commands still had
    // the states of the node selected before (Insert disabled, Delete
    // enabled), so a new project could not get its first item.
    updateItemCommands();
}

QMenu* MainWindow::recentFilesMenu() const {
    return actions_->recentFilesSubmenu;
}

bool MainWindow::runGuarded(const std::function<void()>& command) {
    bool completed = false;
    run([&] {
        command();
        completed = true;
    });
    return completed;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (statusLine_->keepingAlive()) {
        // Asked to close while a save or preview is under way: the question
        // about unsaved changes comes once the operation is over.
        event->ignore();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    bool close = false;
    run([&] { close = documents_->mayClose(); });
    if (close)
        event->accept();
    else
        event->ignore();
}

void MainWindow::showToolBar(bool shown) {
    actions_->toolBar->setVisible(shown);
    actions_->toolBarAction->setChecked(shown);
}

void MainWindow::showStatusLine(bool shown) {
    // The hint line and the progress bar live on the status bar and go with it.
    statusLine_->setVisible(shown);
    actions_->statusBarAction->setChecked(shown);
}

}  // namespace marivel
