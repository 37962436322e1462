#include "documents/browser_choice_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

namespace marivel {

namespace {
using Hive = SettingsStore::Hive;
using Status = SettingsStore::Status;
}  // namespace

QString ProgramFileFilter() {
#ifdef Q_OS_WIN
    return QStringLiteral("Execute Files (*.exe *.com)");
#else
    return QStringLiteral("All Files (*)");
#endif
}

BrowserChoiceDialog::BrowserChoiceDialog(SettingsStore& settings, Prompter& prompter, Shell& shell,
                                         const BrowserLocations& where, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), settings_(settings), prompter_(prompter), shell_(shell) {
    setObjectName(QStringLiteral("formWebBrowser"));
    setWindowTitle(QStringLiteral("Web Browser"));
    setModal(true);
    buildLayout();
    setFixedSize(393, 237);
    CentreOnScreen(*this);
    initialize(where);
}

void BrowserChoiceDialog::buildLayout() {
    choiceGroup = new QGroupBox(QStringLiteral("Web Browser"), this);
    choiceGroup->setObjectName(QStringLiteral("GroupBox1"));
    defaultBrowserButton = new QRadioButton(QStringLiteral("Use Default Browser"), choiceGroup);
    knownBrowserButton = new QRadioButton(QStringLiteral("Use Known Browser in System"), choiceGroup);
    specifiedBrowserButton = new QRadioButton(QStringLiteral("User Specified Browser Program"), choiceGroup);
    defaultBrowserButton->setObjectName(QStringLiteral("RadioButtonBrowserDefault"));
    knownBrowserButton->setObjectName(QStringLiteral("RadioButtonBrowserKnownInSystem"));
    specifiedBrowserButton->setObjectName(QStringLiteral("RadioButtonBrowserUserSpecify"));
    choice_ = new QButtonGroup(this);
    choice_->addButton(defaultBrowserButton);
    choice_->addButton(knownBrowserButton);
    choice_->addButton(specifiedBrowserButton);
    defaultBrowserButton->setChecked(true);

    knownBrowserList = new QComboBox(choiceGroup);
    knownBrowserList->setObjectName(QStringLiteral("ComboBoxBrowserList"));
    knownBrowserList->setEditable(false);
    programLabel = new QLabel(QStringLiteral("Execute File:"), choiceGroup);
    programLabel->setObjectName(QStringLiteral("Label1"));
    editSpecifiedBrowserFileName = new QLineEdit(choiceGroup);
    editSpecifiedBrowserFileName->setObjectName(QStringLiteral("editSpecifiedBrowserFileName"));
    programLabel->setBuddy(editSpecifiedBrowserFileName);
    browseProgramButton = new QToolButton(choiceGroup);
    browseProgramButton->setObjectName(QStringLiteral("spdbtnOpenExeFile"));
    browseProgramButton->setAutoRaise(true);
    browseProgramButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    browseProgramButton->setToolTip(QStringLiteral("Choose the browser program"));

    auto* grid = new QGridLayout(choiceGroup);
    grid->setColumnMinimumWidth(0, 16);
    grid->addWidget(defaultBrowserButton, 0, 0, 1, 4);
    grid->addWidget(knownBrowserButton, 1, 0, 1, 4);
    grid->addWidget(knownBrowserList, 2, 1, 1, 3);
    grid->addWidget(specifiedBrowserButton, 3, 0, 1, 4);
    grid->addWidget(programLabel, 4, 1);
    grid->addWidget(editSpecifiedBrowserFileName, 4, 2);
    grid->addWidget(browseProgramButton, 4, 3);
    grid->setColumnStretch(2, 1);

    okButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    cancelButton =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this);
    okButton->setObjectName(QStringLiteral("bitbtnOk"));
    cancelButton->setObjectName(QStringLiteral("bitbtnCancel"));
    okButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(choiceGroup);
    column->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &BrowserChoiceDialog::acceptChoice);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(browseProgramButton, &QToolButton::clicked, this, &BrowserChoiceDialog::browseForProgram);
    // Only the user's choice of a line ticks the known browser; selecting
    // the stored line while loading does not.
    connect(knownBrowserList, &QComboBox::activated, this, &BrowserChoiceDialog::browserListActivated);
    connect(knownBrowserButton, &QRadioButton::toggled, this, [this](bool on) {
        if (on) knownBrowserChosen();
    });
}

void BrowserChoiceDialog::initialize(const BrowserLocations& where) {
    knownBrowsers_ = DetectBrowsers(settings_, where);
    knownBrowserList->clear();
    for (const BrowserNameAndPath& browser : knownBrowsers_) knownBrowserList->addItem(browser.Name);
    knownBrowserList->setCurrentIndex(-1);
    loadStoredChoice();
}

void BrowserChoiceDialog::tick(QRadioButton* button, bool on) {
    if (on) {
        button->setChecked(true);
        return;
    }
    if (!button->isChecked()) return;
    // An exclusive group keeps its ticked button; let go for the moment.
    choice_->setExclusive(false);
    button->setChecked(false);
    choice_->setExclusive(true);
}

// A value that is missing or of the wrong kind stops the loading where it
// is: the controls keep what they had by then.
void BrowserChoiceDialog::loadStoredChoice() {
    if (!settings_.keyExists(Hive::CurrentUser, kBrowsersKey)) return;
    auto readBool = [this](const QString& name, QRadioButton* button) {
        const auto read = settings_.readBool(Hive::CurrentUser, kBrowsersKey, name);
        if (read.status != Status::Ok) return false;
        tick(button, read.value);
        return true;
    };
    if (!readBool(browser_values::kUseDefault, defaultBrowserButton)) return;
    if (!readBool(browser_values::kUseKnown, knownBrowserButton)) return;
    if (!readBool(browser_values::kUseSpecified, specifiedBrowserButton)) return;

    const auto number =
        settings_.readInteger(Hive::CurrentUser, kBrowsersKey, browser_values::kSelectedNumber);
    if (number.status != Status::Ok) return;
    // The number is a line of the list as it was when stored; a browser
    // uninstalled since can leave it past the end.
    const int lines = knownBrowserList->count();
    if (number.value < lines)
        knownBrowserList->setCurrentIndex(number.value < 0 ? -1 : number.value);
    else if (lines > 0)
        knownBrowserList->setCurrentIndex(0);

    const auto path = settings_.readString(Hive::CurrentUser, kBrowsersKey, browser_values::kSpecifiedPath);
    if (path.status != Status::Ok) return;
    editSpecifiedBrowserFileName->setText(path.value);
}

void BrowserChoiceDialog::browserListActivated() {
    tick(knownBrowserButton, true);
}

void BrowserChoiceDialog::knownBrowserChosen() {
    if (knownBrowsers_.empty()) tick(defaultBrowserButton, true);
}

void BrowserChoiceDialog::browseForProgram() {
    const QFileInfo current(editSpecifiedBrowserFileName->text());
    const QString start = current.isAbsolute() ? current.absolutePath() : QString();
    const QString chosen = prompter_.openFile(this, QString(), ProgramFileFilter(), start);
    if (chosen.isEmpty()) return;
    editSpecifiedBrowserFileName->setText(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()));
}

void BrowserChoiceDialog::acceptChoice() {
    storeChoice();
    accept();
}

// A store that refuses a write ends the storing there, without a word:
// the choice is a convenience, not the user's work.
void BrowserChoiceDialog::storeChoice() {
    SettingsStore& s = settings_;
    const Hive user = Hive::CurrentUser;
    if (!CreateVersionKeys(s)) return;
    if (!s.writeBool(user, kBrowsersKey, browser_values::kUseDefault, defaultBrowserButton->isChecked()))
        return;
    if (!s.writeBool(user, kBrowsersKey, browser_values::kUseKnown, knownBrowserButton->isChecked())) return;
    if (!s.writeBool(user, kBrowsersKey, browser_values::kUseSpecified, specifiedBrowserButton->isChecked()))
        return;
    if (!s.writeInteger(user, kBrowsersKey, browser_values::kSelectedNumber,
                        knownBrowserList->currentIndex()))
        return;
    s.writeString(user, kBrowsersKey, browser_values::kSpecifiedPath, editSpecifiedBrowserFileName->text());
}

bool BrowserChoiceDialog::launchBrowser(const QString& folder, const QString& fileName) {
    const QString target = folder + fileName;
    if (defaultBrowserButton->isChecked()) return shell_.openDocument(target);
    if (specifiedBrowserButton->isChecked())
        return shell_.startProgram(editSpecifiedBrowserFileName->text(), target);
    if (knownBrowserButton->isChecked()) {
        const int line = knownBrowserList->currentIndex();
        if (line < 0 || line >= static_cast<int>(knownBrowsers_.size())) return shell_.openDocument(target);
        return shell_.startProgram(knownBrowsers_[static_cast<std::size_t>(line)].Path, target);
    }
    return false;
}

QString BrowserChoiceDialog::launchCommandText(const QString& folder, const QString& fileName) const {
    const QString target = folder + fileName;
    const int line = knownBrowserList->currentIndex();
    if (specifiedBrowserButton->isChecked())
        return CommandText(editSpecifiedBrowserFileName->text(), {target});
    if (knownBrowserButton->isChecked() && line >= 0 && line < static_cast<int>(knownBrowsers_.size()))
        return CommandText(knownBrowsers_[static_cast<std::size_t>(line)].Path, {target});
    if (defaultBrowserButton->isChecked() || knownBrowserButton->isChecked())
        return QStringLiteral("the desktop's default browser for \"%1\"").arg(target);
    return QStringLiteral("no browser (none is chosen in Web Browser)");
}

}  // namespace marivel
