#include "editor/link_tip_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "documents/dialog_placement.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

namespace marivel {

const QString LinkTipDialog::kValueName = QStringLiteral("ShowLinkTipDialog");

LinkTipDialog::LinkTipDialog(SettingsStore& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      prompter_(prompter) {
    setObjectName(QStringLiteral("frmMsgBox_LinkTip"));
    setWindowTitle(QStringLiteral("Important Tip"));
    setModal(true);

    auto* text = new QLabel(
        QStringLiteral("Local link may not work for security reason. Please click the '?' book icon within "
                       "link group to know more details."),
        this);
    text->setObjectName(QStringLiteral("lblTip"));
    text->setWordWrap(true);

    check_ = new QCheckBox(QStringLiteral("Do not show this dialog again."), this);
    check_->setObjectName(QStringLiteral("chkbxDoNotShow"));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("btnOK"));
    ok_->setDefault(true);
    // Space, like Enter, then closes the tip instead of ticking the box.
    ok_->setFocus();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(check_);
    bottom->addStretch();
    bottom->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text, 1);
    layout->addLayout(bottom);
    fitToTexts();

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(check_, &QCheckBox::clicked, this, &LinkTipDialog::storeChoice);
}

bool LinkTipDialog::shouldShow(const SettingsStore& settings) {
    return ShouldShowDialog(settings, kValueName);
}

void LinkTipDialog::storeChoice(bool doNotShow) {
    const bool ok = StoreUserSetting(settings_, kValueName, !doNotShow);
    // Failing to remember "do not show" costs the user one more tip; failing
    // to bring the tip back would silently keep it away, so only that is told.
    if (!ok && !doNotShow) {
        prompter_.error(this, QStringLiteral("The choice to show the link tip again could not be stored."));
    }
}

// The designed size is the smallest; a larger font, or a platform whose
// default one is larger, makes the window grow until every text fits. The
// word-wrapped tip keeps the designed width unless the bottom row needs more.
void LinkTipDialog::fitToTexts() {
    QLayout* top = layout();
    top->activate();
    const int width = std::max(kDesignedSize.width(), top->minimumSize().width());
    const int height = std::max(kDesignedSize.height(), top->totalHeightForWidth(width));
    setFixedSize(width, height);
}

void LinkTipDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if ((event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) && layout())
        fitToTexts();
}

void LinkTipDialog::showEvent(QShowEvent* event) {
    fitToTexts();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace marivel
