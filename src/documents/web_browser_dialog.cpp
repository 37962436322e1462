#include "documents/web_browser_dialog.h"

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

TformWebBrowser::TformWebBrowser(SettingsStore& settings, Prompter& prompter, Shell& shell,
                                 const BrowserLocations& where, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), settings_(settings), prompter_(prompter), shell_(shell) {
    setObjectName(QStringLiteral("formWebBrowser"));
    setWindowTitle(QStringLiteral("Web Browser"));
    setModal(true);
    buildLayout();
    setFixedSize(393, 237);
    CentreOnScreen(*this);
    FormCreate(where);
}

void TformWebBrowser::buildLayout() {
    GroupBox1 = new QGroupBox(QStringLiteral("Web Browser"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    RadioButtonBrowserDefault = new QRadioButton(QStringLiteral("Use Default Browser"), GroupBox1);
    RadioButtonBrowserKnownInSystem =
        new QRadioButton(QStringLiteral("Use Known Browser in System"), GroupBox1);
    RadioButtonBrowserUserSpecify =
        new QRadioButton(QStringLiteral("User Specified Browser Program"), GroupBox1);
    RadioButtonBrowserDefault->setObjectName(QStringLiteral("RadioButtonBrowserDefault"));
    RadioButtonBrowserKnownInSystem->setObjectName(QStringLiteral("RadioButtonBrowserKnownInSystem"));
    RadioButtonBrowserUserSpecify->setObjectName(QStringLiteral("RadioButtonBrowserUserSpecify"));
    choice_ = new QButtonGroup(this);
    choice_->addButton(RadioButtonBrowserDefault);
    choice_->addButton(RadioButtonBrowserKnownInSystem);
    choice_->addButton(RadioButtonBrowserUserSpecify);
    RadioButtonBrowserDefault->setChecked(true);

    ComboBoxBrowserList = new QComboBox(GroupBox1);
    ComboBoxBrowserList->setObjectName(QStringLiteral("ComboBoxBrowserList"));
    ComboBoxBrowserList->setEditable(false);
    Label1 = new QLabel(QStringLiteral("Execute File:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    editSpecifiedBrowserFileName = new QLineEdit(GroupBox1);
    editSpecifiedBrowserFileName->setObjectName(QStringLiteral("editSpecifiedBrowserFileName"));
    Label1->setBuddy(editSpecifiedBrowserFileName);
    spdbtnOpenExeFile = new QToolButton(GroupBox1);
    spdbtnOpenExeFile->setObjectName(QStringLiteral("spdbtnOpenExeFile"));
    spdbtnOpenExeFile->setAutoRaise(true);
    spdbtnOpenExeFile->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    spdbtnOpenExeFile->setToolTip(QStringLiteral("Choose the browser program"));

    auto* grid = new QGridLayout(GroupBox1);
    grid->setColumnMinimumWidth(0, 16);
    grid->addWidget(RadioButtonBrowserDefault, 0, 0, 1, 4);
    grid->addWidget(RadioButtonBrowserKnownInSystem, 1, 0, 1, 4);
    grid->addWidget(ComboBoxBrowserList, 2, 1, 1, 3);
    grid->addWidget(RadioButtonBrowserUserSpecify, 3, 0, 1, 4);
    grid->addWidget(Label1, 4, 1);
    grid->addWidget(editSpecifiedBrowserFileName, 4, 2);
    grid->addWidget(spdbtnOpenExeFile, 4, 3);
    grid->setColumnStretch(2, 1);

    bitbtnOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    bitbtnCancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this);
    bitbtnOk->setObjectName(QStringLiteral("bitbtnOk"));
    bitbtnCancel->setObjectName(QStringLiteral("bitbtnCancel"));
    bitbtnOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bitbtnOk);
    buttons->addWidget(bitbtnCancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(GroupBox1);
    column->addLayout(buttons);

    connect(bitbtnOk, &QPushButton::clicked, this, &TformWebBrowser::bitbtnOkClick);
    connect(bitbtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(spdbtnOpenExeFile, &QToolButton::clicked, this, &TformWebBrowser::spdbtnOpenExeFileClick);
    // Only the user's choice of a line ticks the known browser; selecting
    // the stored line while loading does not.
    connect(ComboBoxBrowserList, &QComboBox::activated, this, &TformWebBrowser::ComboBoxBrowserListChange);
    connect(RadioButtonBrowserKnownInSystem, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButtonBrowserKnownInSystemClick();
    });
}

void TformWebBrowser::FormCreate(const BrowserLocations& where) {
    KnownBrowsers = DetectBrowsers(settings_, where);
    ComboBoxBrowserList->clear();
    for (const TWebBrowserNamePath& browser : KnownBrowsers) ComboBoxBrowserList->addItem(browser.Name);
    ComboBoxBrowserList->setCurrentIndex(-1);
    loadStoredChoice();
}

void TformWebBrowser::tick(QRadioButton* button, bool on) {
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
void TformWebBrowser::loadStoredChoice() {
    if (!settings_.keyExists(Hive::CurrentUser, kBrowsersKey)) return;
    auto readBool = [this](const QString& name, QRadioButton* button) {
        const auto read = settings_.readBool(Hive::CurrentUser, kBrowsersKey, name);
        if (read.status != Status::Ok) return false;
        tick(button, read.value);
        return true;
    };
    if (!readBool(browser_values::kUseDefault, RadioButtonBrowserDefault)) return;
    if (!readBool(browser_values::kUseKnown, RadioButtonBrowserKnownInSystem)) return;
    if (!readBool(browser_values::kUseSpecified, RadioButtonBrowserUserSpecify)) return;

    const auto number =
        settings_.readInteger(Hive::CurrentUser, kBrowsersKey, browser_values::kSelectedNumber);
    if (number.status != Status::Ok) return;
    // The number is a line of the list as it was when stored; a browser
    // uninstalled since can leave it past the end.
    const int lines = ComboBoxBrowserList->count();
    if (number.value < lines)
        ComboBoxBrowserList->setCurrentIndex(number.value < 0 ? -1 : number.value);
    else if (lines > 0)
        ComboBoxBrowserList->setCurrentIndex(0);

    const auto path = settings_.readString(Hive::CurrentUser, kBrowsersKey, browser_values::kSpecifiedPath);
    if (path.status != Status::Ok) return;
    editSpecifiedBrowserFileName->setText(path.value);
}

void TformWebBrowser::ComboBoxBrowserListChange() {
    tick(RadioButtonBrowserKnownInSystem, true);
}

void TformWebBrowser::RadioButtonBrowserKnownInSystemClick() {
    if (KnownBrowsers.empty()) tick(RadioButtonBrowserDefault, true);
}

void TformWebBrowser::spdbtnOpenExeFileClick() {
    const QFileInfo current(editSpecifiedBrowserFileName->text());
    const QString start = current.isAbsolute() ? current.absolutePath() : QString();
    const QString chosen = prompter_.openFile(this, QString(), ProgramFileFilter(), start);
    if (chosen.isEmpty()) return;
    editSpecifiedBrowserFileName->setText(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()));
}

void TformWebBrowser::bitbtnOkClick() {
    storeChoice();
    accept();
}

// A store that refuses a write ends the storing there, without a word:
// the choice is a convenience, not the user's work.
void TformWebBrowser::storeChoice() {
    SettingsStore& s = settings_;
    const Hive user = Hive::CurrentUser;
    if (!CreateVersionKeys(s)) return;
    if (!s.writeBool(user, kBrowsersKey, browser_values::kUseDefault, RadioButtonBrowserDefault->isChecked()))
        return;
    if (!s.writeBool(user, kBrowsersKey, browser_values::kUseKnown,
                     RadioButtonBrowserKnownInSystem->isChecked()))
        return;
    if (!s.writeBool(user, kBrowsersKey, browser_values::kUseSpecified,
                     RadioButtonBrowserUserSpecify->isChecked()))
        return;
    if (!s.writeInteger(user, kBrowsersKey, browser_values::kSelectedNumber,
                        ComboBoxBrowserList->currentIndex()))
        return;
    s.writeString(user, kBrowsersKey, browser_values::kSpecifiedPath, editSpecifiedBrowserFileName->text());
}

bool TformWebBrowser::LaunchBrowser(const QString& folder, const QString& fileName) {
    const QString target = folder + fileName;
    if (RadioButtonBrowserDefault->isChecked()) return shell_.openDocument(target);
    if (RadioButtonBrowserUserSpecify->isChecked())
        return shell_.startProgram(editSpecifiedBrowserFileName->text(), target);
    if (RadioButtonBrowserKnownInSystem->isChecked()) {
        const int line = ComboBoxBrowserList->currentIndex();
        if (line < 0 || line >= static_cast<int>(KnownBrowsers.size())) return shell_.openDocument(target);
        return shell_.startProgram(KnownBrowsers[static_cast<std::size_t>(line)].Path, target);
    }
    return false;
}

}  // namespace marivel
