#include "documents/templet_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <vector>

#include "documents/dialog_placement.h"
#include "model/error.h"
#include "platform/local_text.h"
#include "platform/settings_store.h"

namespace marivel {

namespace fs = std::filesystem;

const QString TfrmTemplet::kValueName = QStringLiteral("ShowTempletsDialog");

namespace {

// The project files of a folder by name, each with its full path.
void addTemplates(const fs::path& folder, std::map<QString, QString>& byName) {
    const QDir dir(toQt(folder.string()));
    for (const QString& name : dir.entryList({QStringLiteral("*.mvl")}, QDir::Files))
        byName[name] = dir.filePath(name);
}

// The list of templates. Taking the keyboard, a list view makes its first
// line current without choosing it: the line shows the focus frame, yet OK
// opens nothing and the first Down moves past it to the second template.
// Until the user chooses, no line is current, so the frame does not
// promise a choice that was not made and the first Down or Up chooses
// the first template.
class TemplateList final : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QListWidget::focusInEvent(event);
        if (selectedItems().isEmpty()) selectionModel()->clearCurrentIndex();
    }
    // From no current line, End still goes to the last one.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action == MoveEnd && !currentIndex().isValid() && count() > 0)
            return indexFromItem(item(count() - 1));
        return QListWidget::moveCursor(action, modifiers);
    }
};

}  // namespace

TfrmTemplet::TfrmTemplet(fs::path shippedFolder, fs::path ownFolder, SettingsStore& settings,
                         Handlers handlers, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      shippedFolder_(std::move(shippedFolder)),
      ownFolder_(std::move(ownFolder)),
      settings_(settings),
      handlers_(std::move(handlers)) {
    // The folders come first: when there is none there is nothing to show.
    // Without a folder of their own the user can still use what shipped.
    std::error_code ec;
    if (!fs::is_directory(ownFolder_, ec) && !fs::create_directory(ownFolder_, ec) &&
        (shippedFolder_ == ownFolder_ || !fs::is_directory(shippedFolder_, ec)))
        throw Error("Cannot create " + ownFolder_.string());

    setObjectName(QStringLiteral("frmTemplet"));
    setWindowTitle(QStringLiteral("Template"));
    setModal(true);
    setFixedSize(416, 216);

    TempletList = new TemplateList(this);
    TempletList->setObjectName(QStringLiteral("TempletList"));
    TempletList->setSelectionMode(QAbstractItemView::SingleSelection);
    TempletList->setUniformItemSizes(true);
    Label1 = new QLabel(
        QStringLiteral("Click OK to open selected template or cancel to create a new project."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    chckbxDontShow = new QCheckBox(QStringLiteral("Do not show this dialog again."), this);
    chckbxDontShow->setObjectName(QStringLiteral("chckbxDontShow"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chckbxDontShow);
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TempletList, 1);
    layout->addWidget(Label1);
    layout->addLayout(bottom);

    connect(TempletList, &QListWidget::itemDoubleClicked, this, &TfrmTemplet::TempletListDblClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmTemplet::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmTemplet::BitBtn2Click);
    connect(chckbxDontShow, &QCheckBox::clicked, this, &TfrmTemplet::chckbxDontShowClick);
    FormCreate();
}

void TfrmTemplet::FormCreate() {
    std::map<QString, QString> byName;
    if (shippedFolder_ != ownFolder_) addTemplates(shippedFolder_, byName);
    addTemplates(ownFolder_, byName);  // the user's own take the place of shipped ones
    std::vector<std::pair<QString, QString>> templates(byName.begin(), byName.end());
    std::stable_sort(templates.begin(), templates.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [name, path] : templates) {
        auto* item = new QListWidgetItem(name, TempletList);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
    }
}

QString TfrmTemplet::selectedPath() const {
    const QList<QListWidgetItem*> selected = TempletList->selectedItems();
    if (selected.isEmpty()) return QString();
    return QDir::toNativeSeparators(selected.first()->data(Qt::UserRole).toString());
}

void TfrmTemplet::showEvent(QShowEvent* event) {
    FormShow();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TfrmTemplet::FormShow() {
    // A value that cannot be read is taken as "do not show", so the box is ticked.
    chckbxDontShow->setChecked(!ShouldShowDialog(settings_, kValueName));
}

void TfrmTemplet::chckbxDontShowClick(bool ticked) {
    const bool ok = StoreUserSetting(settings_, kValueName, !ticked);
    // Losing "do not show" costs nothing; losing "show again" would go unseen.
    if (!ok && !ticked && handlers_.showError)
        handlers_.showError(
            QStringLiteral("The choice to show the templates dialog again could not be stored"));
}

void TfrmTemplet::TempletListDblClick() {
    const QString path = selectedPath();
    // A template that fails to open leaves the list up to choose another.
    if (!path.isEmpty() && !handlers_.openProject(path)) return;
    done(QDialog::Accepted);
}

void TfrmTemplet::BitBtn1Click() {
    const QString path = selectedPath();
    if (!path.isEmpty()) handlers_.openProject(path);
    done(QDialog::Accepted);
}

void TfrmTemplet::BitBtn2Click() {
    handlers_.newProject();
    done(QDialog::Rejected);
}

void TfrmTemplet::reject() {
    BitBtn2Click();
}

void TfrmTemplet::closeEvent(QCloseEvent* event) {
    // Closed by the window manager: no choice was made, so nothing is run.
    if (isVisible()) done(QDialog::Rejected);
    event->accept();
}

}  // namespace marivel
