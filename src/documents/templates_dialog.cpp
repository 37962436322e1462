#include "documents/templates_dialog.h"

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

const QString TemplatesDialog::kValueName = QStringLiteral("ShowTempletsDialog");

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

TemplatesDialog::TemplatesDialog(fs::path shippedFolder, fs::path ownFolder, SettingsStore& settings,
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

    templateList = new TemplateList(this);
    templateList->setObjectName(QStringLiteral("TempletList"));
    templateList->setSelectionMode(QAbstractItemView::SingleSelection);
    templateList->setUniformItemSizes(true);
    instructionLabel = new QLabel(
        QStringLiteral("Click OK to open selected template or cancel to create a new project."), this);
    instructionLabel->setObjectName(QStringLiteral("Label1"));
    instructionLabel->setWordWrap(true);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("BitBtn1"));
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("BitBtn2"));
    cancelButton->setAutoDefault(false);
    doNotShowCheck = new QCheckBox(QStringLiteral("Do not show this dialog again."), this);
    doNotShowCheck->setObjectName(QStringLiteral("chckbxDontShow"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(doNotShowCheck);
    bottom->addStretch();
    bottom->addWidget(okButton);
    bottom->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(templateList, 1);
    layout->addWidget(instructionLabel);
    layout->addLayout(bottom);

    connect(templateList, &QListWidget::itemDoubleClicked, this, &TemplatesDialog::openDoubleClickedTemplate);
    connect(okButton, &QPushButton::clicked, this, &TemplatesDialog::openSelectedTemplate);
    connect(cancelButton, &QPushButton::clicked, this, &TemplatesDialog::startWithoutTemplate);
    connect(doNotShowCheck, &QCheckBox::clicked, this, &TemplatesDialog::storeDoNotShow);
    initialize();
}

void TemplatesDialog::initialize() {
    std::map<QString, QString> byName;
    if (shippedFolder_ != ownFolder_) addTemplates(shippedFolder_, byName);
    addTemplates(ownFolder_, byName);  // the user's own take the place of shipped ones
    std::vector<std::pair<QString, QString>> templates(byName.begin(), byName.end());
    std::stable_sort(templates.begin(), templates.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [name, path] : templates) {
        auto* item = new QListWidgetItem(name, templateList);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
    }
}

QString TemplatesDialog::selectedPath() const {
    const QList<QListWidgetItem*> selected = templateList->selectedItems();
    if (selected.isEmpty()) return QString();
    return QDir::toNativeSeparators(selected.first()->data(Qt::UserRole).toString());
}

void TemplatesDialog::showEvent(QShowEvent* event) {
    showStoredChoice();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TemplatesDialog::showStoredChoice() {
    // A value that cannot be read is taken as "do not show", so the box is ticked.
    doNotShowCheck->setChecked(!ShouldShowDialog(settings_, kValueName));
}

void TemplatesDialog::storeDoNotShow(bool ticked) {
    const bool ok = StoreUserSetting(settings_, kValueName, !ticked);
    // Losing "do not show" costs nothing; losing "show again" would go unseen.
    if (!ok && !ticked && handlers_.showError)
        handlers_.showError(
            QStringLiteral("The choice to show the templates dialog again could not be stored"));
}

void TemplatesDialog::openDoubleClickedTemplate() {
    const QString path = selectedPath();
    // A template that fails to open leaves the list up to choose another.
    if (!path.isEmpty() && !handlers_.openProject(path)) return;
    done(QDialog::Accepted);
}

void TemplatesDialog::openSelectedTemplate() {
    const QString path = selectedPath();
    if (!path.isEmpty()) handlers_.openProject(path);
    done(QDialog::Accepted);
}

void TemplatesDialog::startWithoutTemplate() {
    handlers_.newProject();
    done(QDialog::Rejected);
}

void TemplatesDialog::reject() {
    startWithoutTemplate();
}

void TemplatesDialog::closeEvent(QCloseEvent* event) {
    // Closed by the window manager: no choice was made, so nothing is run.
    if (isVisible()) done(QDialog::Rejected);
    event->accept();
}

}  // namespace marivel
