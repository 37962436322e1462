#include "editor/path_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/page_controls.h"
#include "editor/script_page.h"
#include "editor/separator_check.h"
#include "platform/local_text.h"

namespace marivel {

namespace {

// The examples show the form the link picker produces on this platform, so
// the roots a user types match the links they pick.
#ifdef Q_OS_WIN
const QString kLocalExample = QStringLiteral("e.g. file:///C|/MySite/");
#else
const QString kLocalExample = QStringLiteral("e.g. file:///home/me/MySite/");
#endif
const QString kRemoteExample = QStringLiteral("e.g. http://www.example.com/");

}  // namespace

PathPage::PathPage(Prompter& prompter, SettingsStore& /*settings*/, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tbshtPath"));
    auto* box = new QGroupBox(QStringLiteral("Path Replacement for Publishing"), this);
    box->setObjectName(QStringLiteral("grpbxPathReplacement"));
    auto* grid = new QGridLayout(box);

    auto* explanation = new QLabel(
        QStringLiteral(
            "If item's URL contains either local or web path you specified here, one path will be "
            "replaced by another depending on the choice below. Local path will be replaced by web "
            "path for uploading if you need to upload the menu to web server to test or publish. "),
        box);
    explanation->setObjectName(QStringLiteral("lblPathExplanation"));
    explanation->setWordWrap(true);
    QPalette grey = explanation->palette();
    grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    explanation->setPalette(grey);
    grid->addWidget(explanation, 0, 0);
    QToolButton* help = pages::helpButton(HelpTopic::RootDirectories, box);
    grid->addWidget(help, 0, 1, Qt::AlignRight | Qt::AlignTop);
    connect(help, &QToolButton::clicked, this,
            [this] { emit helpRequested(static_cast<int>(HelpTopic::RootDirectories)); });

    grid->addWidget(pages::fieldLabel(QStringLiteral("Root Directory for Local Computer"), box), 1, 0, 1, 2);
    localRootEdit = new QLineEdit(box);
    localRootEdit->setObjectName(QStringLiteral("edtpInternalUse_RootDir_Local"));
    pages::bindText(localRootEdit);
    grid->addWidget(localRootEdit, 2, 0, 1, 2);
    grid->addWidget(pages::fieldLabel(kLocalExample, box), 3, 0, 1, 2);

    grid->addWidget(pages::fieldLabel(QStringLiteral("Root Directory for Web Server"), box), 4, 0, 1, 2);
    remoteRootEdit = new QLineEdit(box);
    remoteRootEdit->setObjectName(QStringLiteral("edtpInternalUse_RootDir_Remote"));
    pages::bindText(remoteRootEdit);
    grid->addWidget(remoteRootEdit, 5, 0, 1, 2);
    grid->addWidget(pages::fieldLabel(kRemoteExample, box), 6, 0, 1, 2);

    localRootButton = new QRadioButton(QStringLiteral("Test on Local Computer (Convert to Local Path)"), box);
    localRootButton->setObjectName(QStringLiteral("rdbtnpInternalUse_RootDir_Local_Checked"));
    remoteRootButton = new QRadioButton(QStringLiteral("Upload to Web Server (Convert to Web Path)"), box);
    remoteRootButton->setObjectName(QStringLiteral("rdbtnpInternalUse_RootDir_Local_Checked2"));
    for (QRadioButton* radio : {localRootButton, remoteRootButton}) {
        QFont bold = radio->font();
        bold.setBold(true);
        radio->setFont(bold);
        pages::clickOnEnter(radio);
        // The user's choice (mouse, Space, arrow keys) is an unsaved change;
        // the program's own loads do not click.
        connect(radio, &QRadioButton::clicked, this, &PathPage::modified);
        connect(radio, &QRadioButton::clicked, this, [this] { emit editFinished(false); });
    }
    localRootButton->setChecked(true);
    grid->addWidget(localRootButton, 7, 0, 1, 2);
    grid->addWidget(remoteRootButton, 8, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    QVBoxLayout* layout = pages::column(this);
    layout->addWidget(box);
    layout->addStretch(1);

    auto* check = new SeparatorCheck(prompter, this);
    for (QLineEdit* edit : {localRootEdit, remoteRootEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &PathPage::modified);
        connect(edit, &QLineEdit::editingFinished, this, [this] { emit editFinished(true); });
        check->watch(edit);
    }
}

void PathPage::load(const SliderSettings& slider) {
    localRootEdit->setText(toQt(slider.RootDirLocal));
    remoteRootEdit->setText(toQt(slider.RootDirRemote));
    setChoice(slider.RootDirLocalChecked == "1", slider.RootDirLocalChecked == "0");
}

void PathPage::apply(SliderSettings& slider) const {
    slider.RootDirLocal = pages::trimmed(localRootEdit->text());
    slider.RootDirRemote = pages::trimmed(remoteRootEdit->text());
    // Built as a std::string: assigning the literal trips a false -Wrestrict of GCC 12.
    slider.RootDirLocalChecked = std::string(localRootButton->isChecked() ? "1" : "0");
}

// Radio buttons of one group refuse to have their checked member unchecked,
// so exclusivity is lifted while both are set.
void PathPage::setChoice(bool local, bool remote) {
    QRadioButton* radios[] = {localRootButton, remoteRootButton};
    for (QRadioButton* radio : radios) radio->setAutoExclusive(false);
    radios[0]->setChecked(local);
    radios[1]->setChecked(remote);
    for (QRadioButton* radio : radios) radio->setAutoExclusive(true);
}

}  // namespace marivel
