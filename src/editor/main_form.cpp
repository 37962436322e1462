#include "editor/main_form.h"

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

void OpenCommandLineProject(TMainForm& form, const QStringList& arguments) {
    const QString path = JoinCommandLine(arguments);
    if (path.isEmpty()) return;
    form.SetModifiedFlag(false);
    try {
        form.OpenProjectByPath(path);
    } catch (...) {
        // Dropped on purpose: the user asked for no command yet.
    }
}

TMainForm::TMainForm(Prompter& prompter, SettingsStore& settings, Shell& shell, MainFormOptions options,
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
    FormCreate();
    // The HTML code window and then the help window come with these
    // commands: created hidden now and kept for the whole run.
    preview_ = std::make_unique<PreviewCommands>(*this, options_.browsers);
    help_ = std::make_unique<HelpCommands>(*this);
    itemPage_->setProjectFolder([this] { return agent_->ProjectFolder; });
}

TMainForm::~TMainForm() {
    // The pages' change handlers must not reach a half-destroyed window.
    if (scriptPage_) scriptPage_->disconnect(this);
    if (pathPage_) pathPage_->disconnect(this);
    if (itemPage_) itemPage_->disconnect(this);
    if (trvwDesignPanel) trvwDesignPanel->disconnect(this);
}

QTreeWidget* TMainForm::Tree() const {
    return trvwDesignPanel;
}

void TMainForm::buildLayout() {
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

    pnlTreeView = new QWidget(splitter_);
    pnlTreeView->setObjectName(QStringLiteral("pnlTreeView"));
    auto* treeLayout = new QVBoxLayout(pnlTreeView);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    trvwDesignPanel = new DesignTreeWidget(pnlTreeView);
    trvwDesignPanel->setObjectName(QStringLiteral("trvwDesignPanel"));
    trvwDesignPanel->setHeaderHidden(true);
    trvwDesignPanel->setColumnCount(1);
    trvwDesignPanel->setIndentation(19);
    trvwDesignPanel->setIconSize(QSize(16, 16));
    trvwDesignPanel->setSelectionMode(QAbstractItemView::SingleSelection);
    trvwDesignPanel->setEditTriggers(QAbstractItemView::NoEditTriggers);
    trvwDesignPanel->setUniformRowHeights(true);
    trvwDesignPanel->setContextMenuPolicy(Qt::CustomContextMenu);
    trvwDesignPanel->setToolTip(kTreeHint);
    trvwDesignPanel->setProperty("hint", kTreeHint);
    treeLayout->addWidget(trvwDesignPanel);
    designTree_ =
        std::make_unique<TreeWidgetDesignTree>(*trvwDesignPanel, icons::itemNode(), icons::rootNode());

    pgcntrl1 = new QTabWidget(splitter_);
    pgcntrl1->setObjectName(QStringLiteral("pgcntrl1"));
    pgcntrl1->setMinimumSize(433, 420);
    scriptPage_ = new ScriptPage(prompter_, settings_);
    itemPage_ = new ItemPage(prompter_, settings_);
    pathPage_ = new PathPage(prompter_, settings_);
    scriptPage_->setObjectName(QStringLiteral("tbshtScript"));
    itemPage_->setObjectName(QStringLiteral("tbshtItemGeneral"));
    pathPage_->setObjectName(QStringLiteral("tbshtPath"));
    pgcntrl1->addTab(scriptPage_, QStringLiteral("Script"));
    pgcntrl1->addTab(itemPage_, QStringLiteral("Item General"));
    pgcntrl1->addTab(pathPage_, QStringLiteral("Path"));

    splitter_->addWidget(pnlTreeView);
    splitter_->addWidget(pgcntrl1);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({337, 781 - 337 - 3});
    setCentralWidget(splitter_);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TMainForm::bind(std::initializer_list<QAction*> actions, const std::function<void()>& command) {
    for (QAction* action : actions)
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
}

void TMainForm::connectCommands() {
    MainActions& a = *actions_;
    bind({a.Insert1, a.Insert2, a.tlbtnInsert}, [this] { Insert1Click(); });
    bind({a.Delete1, a.Delete2, a.tlbtnDelete}, [this] { Delete1Click(); });
    bind({a.MoveUp1, a.MoveUp2, a.tlbtnMoveUp}, [this] { MoveUp1Click(); });
    bind({a.MoveDown1, a.MoveDown2, a.tlbtnMoveDown}, [this] { MoveDown1Click(); });
    bind({a.undoAction}, [this] { undo(); });
    bind({a.redoAction}, [this] { redo(); });
    connectDocumentCommands();
    // The output and help commands are made after the menus are connected:
    // each click reaches them anew.
    bind({a.BuildHTML1, a.tlbtnBuildHTML}, [this] { preview_->BuildHTML1Click(); });
    bind({a.Preview1, a.tlbtnPreview}, [this] { preview_->Preview1Click(); });
    bind({a.Publish1}, [this] { preview_->Publish1Click(); });
    bind({a.WebBrowser1}, [this] { preview_->WebBrowser1Click(); });
    bind({a.ImageQuality1}, [this] { chooseImageQuality(); });

    connect(a.ToolBar1, &QAction::triggered, this, &TMainForm::ToolBar1Click);
    connect(a.StatusBar2, &QAction::triggered, this, &TMainForm::StatusBar2Click);
    // The window's own tool-bar menu would hide the bar behind the tick's back.
    setContextMenuPolicy(Qt::NoContextMenu);

    bind({a.Topic1, a.tlbtnHelp}, [this] { help_->Topic1Click(); });
    bind({a.ViewSample1}, [this] { help_->ViewSample1Click(); });
    bind({a.Homepage1}, [this] { help_->Homepage1Click(); });
    bind({a.ContactUs1}, [this] { help_->ContactUs1Click(); });
    bind({a.About1}, [this] { help_->About1Click(); });

    connect(trvwDesignPanel, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { Run([&] { trvwDesignPanelChange(current); }); });
    connect(trvwDesignPanel, &DesignTreeWidget::mousePressed, this,
            [this] { Run([this] { trvwDesignPanelMouseDown(); }); });
    connect(trvwDesignPanel, &QWidget::customContextMenuRequested, this, &TMainForm::showTreePopup);
    connect(trvwDesignPanel, &DesignTreeWidget::moveRequested, this,
            [this](QTreeWidgetItem* node, QTreeWidgetItem* target, DesignTreeWidget::DropPlace place) {
                Run([&] { moveNode(node, target, place); });
            });
}

void TMainForm::connectDocumentCommands() {
    MainActions& a = *actions_;
    bind({a.New1, a.tlbtnNew}, [this] { documents_->New1Click(); });
    bind({a.Open1, a.tlbtnOpen}, [this] { documents_->Open1Click(); });
    bind({a.Save1, a.tlbtnSave}, [this] { documents_->Save1Click(); });
    bind({a.Save2}, [this] { documents_->Save2Click(); });
    bind({a.Templet1}, [this] { documents_->Templet1Click(); });
    bind({a.SaveAsTemplate1}, [this] { documents_->SaveAsTemplate1Click(); });
    connect(a.Exit1, &QAction::triggered, this, &QWidget::close);
}

void TMainForm::connectPages() {
    connect(scriptPage_, &ScriptPage::modified, this, &TMainForm::MarkModified);
    connect(pathPage_, &PathPage::modified, this, &TMainForm::MarkModified);
    connect(itemPage_, &ItemPage::modified, this, &TMainForm::MarkModified);
    // Leaving a field, or picking a value from a list or a dialog, commits
    // the pages: each such edit is one step of the undo history.
    auto fieldEdited = [this](bool typed) { Run([this, typed] { commitFieldEdits(typed); }); };
    connect(scriptPage_, &ScriptPage::editFinished, this, fieldEdited);
    connect(pathPage_, &PathPage::editFinished, this, fieldEdited);
    connect(itemPage_, &ItemPage::editFinished, this, fieldEdited);
    // The ten group help buttons share one handler, told apart by their tags.
    auto groupHelp = [this](int tag) { Run([this, tag] { help_->SpeedButton1Click(tag); }); };
    connect(scriptPage_, &ScriptPage::helpRequested, this, groupHelp);
    connect(pathPage_, &PathPage::helpRequested, this, groupHelp);
    connect(itemPage_, &ItemPage::helpRequested, this, groupHelp);
}

void TMainForm::chooseImageQuality() {
    ImageQualityDialog dialog(settings_, this);
    if (dialog.exec() == QDialog::Accepted) agent_->Quality = dialog.chosen();
}

void TMainForm::FormCreate() {
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
    LoadAppletPane();
    setWindowTitle(QStringLiteral("Marivel"));
    registerFileType();
    // A list that cannot be read is told, and the editor starts without it.
    RunGuarded([this] { documents_->LoadRecentFilesMenu(); });
    ClearModified();
    lastPageIndex_ = kNeverArranged;
    // The item commands stay as the designer made them (all enabled) until
    // the tree is first used; their handlers guard the root.
    UpdatePageTabs();
}

void TMainForm::registerFileType() {
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

void TMainForm::setModifiedState(bool modified) {
    modified_ = modified;
    actions_->tlbtnSave->setEnabled(modified);
    actions_->Save1->setEnabled(modified);
}

void TMainForm::MarkModified() {
    setModifiedState(true);
}

void TMainForm::ClearModified() {
    setModifiedState(false);
    // Start, New and Open end here with the new project shown: the history
    // starts from it.
    if (historyPending_ && !suppressTreeEvents_) resetHistory();
}

// --- pages ------------------------------------------------------------------------

void TMainForm::SaveAppletPane() {
    scriptPage_->settleNumbers();
    TAppletData slider;
    scriptPage_->apply(slider);
    pathPage_->apply(slider);
    agent_->SetAppletData(slider);
}

void TMainForm::LoadAppletPane() {
    const TAppletData slider = agent_->GetAppletData();
    scriptPage_->load(slider);
    pathPage_->load(slider);
}

void TMainForm::SaveItemPane(int index) {
    agent_->SetItem(itemPage_->commit(), index);
    // A path typed into the page shows on its node once it is committed.
    if (decorations_) decorations_->refresh(designTree_->item(index + 1));
}

void TMainForm::LoadItemPane(int index) {
    itemPage_->load(agent_->GetItem(index));
}

void TMainForm::ShowItemImagePath() {
    if (currentItemNode_)
        itemPage_->showImagePath(agent_->GetItem(indexOf(currentItemNode_) - 1).OriginalImagePath);
}

void TMainForm::CommitPanes() {
    SaveAppletPane();
    if (currentItemNode_) SaveItemPane(indexOf(currentItemNode_) - 1);
    // What the user typed reaches the history before the command's own work.
    recordFieldEdits(true);
}

// --- hint line --------------------------------------------------------------------

void TMainForm::installHintLine() {
    QList<QWidget*> controls;
    for (const char* name : kHintControls)
        if (auto* w = findChild<QWidget*>(QLatin1String(name))) controls << w;
    controls << pnlTreeView << trvwDesignPanel << trvwDesignPanel->viewport();
    for (QToolButton* b : actions_->toolButtons()) controls << b;
    controls << actions_->button(actions_->insertPicturesTool);
    for (QWidget* w : controls) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void TMainForm::installUndoKeys() {
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

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (takeProjectDrop(event)) return true;
    if (event->type() == QEvent::ToolTip && watched == trvwDesignPanel->viewport()) {
        // Item nodes tell their picture, size, link and tooltip; elsewhere
        // the tree's own tooltip shows.
        const auto* help = static_cast<QHelpEvent*>(event);
        QTreeWidgetItem* node = trvwDesignPanel->itemAt(help->pos());
        if (node && node->parent()) {
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("<p style='white-space:pre'>%1</p>")
                                   .arg(ItemToolTip(node).toHtmlEscaped().replace(QLatin1Char('\n'),
                                                                                  QStringLiteral("<br>"))),
                               trvwDesignPanel->viewport());
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
        if (control == trvwDesignPanel->viewport()) control = trvwDesignPanel;
        if (control && !(key == lastMove_)) {
            lastMove_ = key;
            spnedtApWidthMouseMove(control);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::spnedtApWidthMouseMove(QWidget* control) {
    if (suppressTreeEvents_) return;
    statusLine_->showHint(control->property("hint").toString());
}

// --- documents --------------------------------------------------------------------

void TMainForm::OpenProjectByPath(const QString& path) {
    documents_->OpenProjectByPath(path);
}

void TMainForm::ShowRoot(bool expandItems) {
    // The view lays out expanded nodes level by level on the stack, so a file
    // nested tens of thousands of levels deep would crash it when expanded
    // whole; no project a person reads nests anywhere near this far.
    constexpr int kExpandedLevels = 200;
    if (expandItems) trvwDesignPanel->expandRecursively(trvwDesignPanel->rootIndex(), kExpandedLevels);
    selectRoot();
    RefreshItemDecorations();
    // The root is selected without a mouse press: the commands still had
    // the states of the node selected before (Insert disabled, Delete
    // enabled), so a new project could not get its first item.
    UpdateItemCommands();
}

QMenu* TMainForm::RecentFilesMenu() const {
    return actions_->mnitRecentFiles;
}

bool TMainForm::RunGuarded(const std::function<void()>& command) {
    bool completed = false;
    Run([&] {
        command();
        completed = true;
    });
    return completed;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (statusLine_->keepingAlive()) {
        // Asked to close while a save or preview is under way: the question
        // about unsaved changes comes once the operation is over.
        event->ignore();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    bool close = false;
    Run([&] { close = documents_->FormCloseQuery(); });
    if (close)
        event->accept();
    else
        event->ignore();
}

void TMainForm::ToolBar1Click(bool shown) {
    actions_->tlbr1->setVisible(shown);
    actions_->ToolBar1->setChecked(shown);
}

void TMainForm::StatusBar2Click(bool shown) {
    // The hint line and the progress bar live on the status bar and go with it.
    statusLine_->setVisible(shown);
    actions_->StatusBar2->setChecked(shown);
}

}  // namespace marivel
