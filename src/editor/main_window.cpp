#include "editor/main_window.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QUndoView>
#include <QVBoxLayout>

#include "documents/document_commands.h"
#include "documents/help_commands.h"
#include "documents/image_quality_dialog.h"
#include "documents/preview_commands.h"
#include "documents/upload_commands.h"
#include "editor/icon_set.h"
#include "editor/item_page.h"
#include "editor/live_preview_hook.h"
#include "editor/main_actions.h"
#include "editor/path_page.h"
#include "editor/picture_files.h"
#include "editor/project_document.h"
#include "editor/script_page.h"
#include "editor/status_line.h"
#include "editor/window_activation.h"
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
    form.document().forgetChangesQuietly();
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
    documents_ = std::make_unique<DocumentCommands>(*editor_);
    connectCommands();
    buildDocks();
    acceptProjectDropsEverywhere();
    installHintLine();
    installUndoKeys();

    PublishingAgent& agent = document_->agent();
    agent.Quality = LoadImageQuality(settings_);
    agent.SetWorkFolder(options_.workFolder);
    editor_->startEmpty();
    setWindowTitle(QStringLiteral("Marivel"));
    registerFileType();
    // A list that cannot be read is told, and the editor starts without it.
    editor_->runGuarded([this] { documents_->loadRecentFilesMenu(); });
    editor_->clearModified();
    // The HTML code window and then the help window come with these
    // commands: created hidden now and kept for the whole run.
    preview_ = std::make_unique<PreviewCommands>(*editor_, *documents_, options_.browsers);
    help_ = std::make_unique<HelpCommands>(*editor_);
    upload_ = new UploadCommands(*editor_, statusLine_, this);
    livePreview_ = InstallLivePreview(*this, settings_, shell_);
}

MainWindow::~MainWindow() {
    if (designTreeWidget_) designTreeWidget_->disconnect(this);
    // The editor refers to the document: it goes first.
    delete editor_;
    editor_ = nullptr;
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

    statusLine_ = new StatusLine(this);
    setStatusBar(statusLine_);
    const std::filesystem::path writable =
        options_.writableFolder.empty() ? options_.programFolder : options_.writableFolder;
    document_ =
        std::make_unique<ProjectDocument>(ProgramFolders{options_.programFolder, writable}, statusLine_);
    actions_ = new MainActions(*this, document_->undoStack());

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    treePanel_ = new QWidget(splitter);
    treePanel_->setObjectName(QStringLiteral("pnlTreeView"));
    treePanel_->setProperty("hint", kTreeHint);
    auto* treeLayout = new QVBoxLayout(treePanel_);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    designTreeWidget_ = new DesignTreeWidget(treePanel_);
    designTreeWidget_->setObjectName(QStringLiteral("trvwDesignPanel"));
    designTreeWidget_->setHeaderHidden(true);
    designTreeWidget_->setColumnCount(1);
    designTreeWidget_->setIndentation(19);
    designTreeWidget_->setIconSize(QSize(16, 16));
    designTreeWidget_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    designTreeWidget_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    designTreeWidget_->setUniformRowHeights(true);
    designTreeWidget_->setContextMenuPolicy(Qt::CustomContextMenu);
    designTreeWidget_->setToolTip(kTreeHint);
    designTreeWidget_->setProperty("hint", kTreeHint);
    treeLayout->addWidget(designTreeWidget_);

    propertyTabs_ = new QTabWidget(splitter);
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

    splitter->addWidget(treePanel_);
    splitter->addWidget(propertyTabs_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({337, 781 - 337 - 3});
    setCentralWidget(splitter);

    editor_ = new ProjectEditor(
        *document_,
        {this, designTreeWidget_, propertyTabs_, scriptPage_, itemPage_, pathPage_, actions_, statusLine_},
        prompter_, settings_, shell_);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

// View > Undo History: every step of the project, the saved one marked; a
// click goes back or forward to that step.
void MainWindow::buildDocks() {
    historyDock_ = new QDockWidget(QStringLiteral("Undo History"), this);
    historyDock_->setObjectName(QStringLiteral("undoHistoryDock"));
    auto* view = new QUndoView(&document_->undoStack(), historyDock_);
    view->setObjectName(QStringLiteral("undoHistoryView"));
    view->setEmptyLabel(QStringLiteral("Opened project"));
    view->setCleanIcon(icons::picture(icons::Picture::Save));
    historyDock_->setWidget(view);
    addDockWidget(Qt::RightDockWidgetArea, historyDock_);
    historyDock_->hide();
    QAction* shown = historyDock_->toggleViewAction();
    shown->setText(QStringLiteral("Undo &History"));
    shown->setObjectName(QStringLiteral("undoHistoryAction"));
    shown->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    actions_->viewMenu->addAction(shown);
}

void MainWindow::bind(std::initializer_list<QAction*> actions, const std::function<void()>& command) {
    for (QAction* action : actions)
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
}

void MainWindow::connectCommands() {
    MainActions& a = *actions_;
    ProjectEditor& e = *editor_;
    bind({a.insertAction}, [&e] { e.insertItem(); });
    bind({a.deleteAction}, [&e] { e.deleteItem(); });
    bind({a.moveUpAction}, [&e] { e.moveItemUp(); });
    bind({a.moveDownAction}, [&e] { e.moveItemDown(); });
    bind({a.undoAction}, [&e] { e.undo(); });
    bind({a.redoAction}, [&e] { e.redo(); });
    bind({a.newAction}, [this] { documents_->newProject(); });
    bind({a.openAction}, [this] { documents_->openWithDialog(); });
    bind({a.saveAction}, [this] { documents_->saveProject(); });
    bind({a.saveAsAction}, [this] { documents_->saveProjectAs(); });
    bind({a.templatesAction}, [this] { documents_->showTemplates(); });
    bind({a.saveAsTemplateAction}, [this] { documents_->saveAsTemplate(); });
    connect(a.exitAction, &QAction::triggered, this, &QWidget::close);
    // The output and help commands are made after the menus are connected:
    // each click reaches them anew.
    bind({a.buildHtmlAction}, [this] { preview_->showHtmlCode(); });
    bind({a.insertIntoPageAction}, [this] { preview_->insertIntoSitePage(); });
    bind({a.previewAction}, [this] { preview_->previewInBrowser(); });
    bind({a.publishAction}, [this] { preview_->showPublishReport(); });
    bind({a.webBrowserAction}, [this] { preview_->chooseWebBrowser(); });
    bind({a.ImageQuality1}, [this] { chooseImageQuality(); });
    bind({a.uploadAction}, [this] { upload_->upload(); });
    bind({a.checkServerAction}, [this] { upload_->checkServer(); });
    bind({a.webServerAction}, [this] { upload_->chooseServer(); });
    connect(a.toolBarAction, &QAction::triggered, this, &MainWindow::showToolBar);
    connect(a.statusBarAction, &QAction::triggered, this, &MainWindow::showStatusLine);
    // The window's own tool-bar menu would hide the bar behind the tick's back.
    setContextMenuPolicy(Qt::NoContextMenu);
    bind({a.helpTopicsAction}, [this] { help_->showHelpTopics(); });
    bind({a.viewSampleAction}, [this] { help_->viewSample(); });
    bind({a.homepageAction}, [this] { help_->openHomepage(); });
    bind({a.contactUsAction}, [this] { help_->openContactPage(); });
    bind({a.aboutAction}, [this] { help_->showAbout(); });

    connect(designTreeWidget_, &QWidget::customContextMenuRequested, this, &MainWindow::showTreePopup);
    connect(editor_, &ProjectEditor::projectDropped, this,
            [this](const QString& path) { openProjectByPath(path); });
    // Save is there while the project differs from what was saved.
    connect(document_.get(), &ProjectDocument::modifiedChanged, a.saveAction, &QAction::setEnabled);
    // The ten group help buttons share one handler, told apart by their tags.
    auto groupHelp = [this](int tag) { run([this, tag] { help_->showGroupHelp(tag); }); };
    connect(scriptPage_, &ScriptPage::helpRequested, this, groupHelp);
    connect(pathPage_, &PathPage::helpRequested, this, groupHelp);
    connect(itemPage_, &ItemPage::helpRequested, this, groupHelp);
}

// Shows the image quality choice; OK stores it, the next generation uses
// it, and a choice that differs makes the project unsaved: the next save
// writes other files.
void MainWindow::chooseImageQuality() {
    ImageQualityDialog dialog(settings_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    PublishingAgent& agent = document_->agent();
    const ImageQuality chosen = dialog.chosen();
    if (chosen == agent.Quality) return;
    agent.Quality = chosen;
    document_->markUnrecordedChange();
    emit projectEdited();
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
    registration.installed = !document_->agent().Folders().IsPortable();
    // A desktop that cannot take the association is no reason to stop.
    registration.writeFreedesktop();
#ifdef Q_OS_WIN
    writeClassesRootAssociation(settings_, registration.executable);
#endif
}

// --- hint line --------------------------------------------------------------------

void MainWindow::installHintLine() {
    QList<QWidget*> controls;
    for (const char* name : kHintControls)
        if (auto* w = findChild<QWidget*>(QLatin1String(name))) controls << w;
    controls << treePanel_ << designTreeWidget_ << designTreeWidget_->viewport();
    for (QToolButton* b : actions_->toolButtons()) controls << b;
    controls << actions_->button(actions_->insertPicturesAction)
             << actions_->button(actions_->insertIntoPageAction);
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
                                   .arg(editor_->itemToolTip(node).toHtmlEscaped().replace(
                                       QLatin1Char('\n'), QStringLiteral("<br>"))),
                               designTreeWidget_->viewport());
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove && !editor_->treeEventsSuppressed()) {
        // A move that a watched control leaves unhandled travels on to its
        // watched parent as a copy with the same time and screen position;
        // the innermost control's hint is the one to keep.
        const auto* move = static_cast<QMouseEvent*>(event);
        const MoveKey key{move->timestamp(), move->globalPosition()};
        auto* control = qobject_cast<QWidget*>(watched);
        if (control == designTreeWidget_->viewport()) control = designTreeWidget_;
        if (control && !(key == lastMove_)) {
            lastMove_ = key;
            statusLine_->showHint(control->property("hint").toString());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- documents --------------------------------------------------------------------

void MainWindow::openProjectByPath(const QString& path) {
    documents_->openProjectByPath(path);
}

void MainWindow::acceptProjectDropsEverywhere() {
    setAcceptDrops(true);
    // Text fields take dropped files as text of their own; a project file
    // dropped on one opens instead.
    for (QWidget* w : findChildren<QWidget*>())
        if (w->acceptDrops() && w != designTreeWidget_ && w != designTreeWidget_->viewport())
            w->installEventFilter(this);
}

bool MainWindow::takeProjectDrop(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QString project = DroppedProject(drop->mimeData()->urls());
    if (project.isEmpty()) return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        editor_->whenIdle([this, project] { run([&] { openProjectByPath(project); }); });
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!takeProjectDrop(event)) QMainWindow::dragEnterEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!takeProjectDrop(event)) QMainWindow::dragMoveEvent(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (!takeProjectDrop(event)) QMainWindow::dropEvent(event);
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

// --- tree popup and bars ----------------------------------------------------------------

void MainWindow::showTreePopup(const QPoint& position) {
    // The press that opened the menu has already selected the node under the
    // mouse, so every entry acts on the node the user right-clicked.
    QPoint at = position;
    // The menu key asks for the menu at the selected node, which may be
    // scrolled out of view: the menu would open away from the tree, even
    // outside the window. The node is brought into view and the menu opens
    // at it.
    if (!designTreeWidget_->viewport()->rect().contains(at)) {
        if (QTreeWidgetItem* node = designTreeWidget_->currentItem()) {
            designTreeWidget_->scrollToItem(node);
            at = designTreeWidget_->visualItemRect(node).center();
        }
        const QSize view = designTreeWidget_->viewport()->size();
        at.setX(std::clamp(at.x(), 0, std::max(0, view.width() - 1)));
        at.setY(std::clamp(at.y(), 0, std::max(0, view.height() - 1)));
    }
    actions_->popup->exec(designTreeWidget_->viewport()->mapToGlobal(at));
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
