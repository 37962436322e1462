#include "documents/publish_report_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"

namespace marivel {

namespace {
constexpr int kReportWidth = 536;
constexpr int kReportHeight = 303;
constexpr int kChecksHeight = 180;
}  // namespace

PublishReportDialog::PublishReportDialog(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      reportText(new QPlainTextEdit(this)),
      checksLabel(
          new QLabel(QStringLiteral("Before you publish (double-click a line to go to its item):"), this)),
      checks(new QListWidget(this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("frmPublishReport"));
    setWindowTitle(QStringLiteral("Applet Publish Report"));
    setModal(true);

    reportText->setObjectName(QStringLiteral("memoPublishReport"));
    reportText->setReadOnly(true);
    reportText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    checks->setObjectName(QStringLiteral("lstPublishChecks"));
    checksLabel->setBuddy(checks);
    checksLabel->hide();
    checks->hide();
    connect(checks, &QListWidget::itemActivated, this, &PublishReportDialog::chooseLine);

    okButton->setObjectName(QStringLiteral("BitBtn1"));
    okButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(reportText, 1);
    column->addWidget(checksLabel);
    column->addWidget(checks, 1);
    column->addLayout(buttons);

    setFixedSize(kReportWidth, kReportHeight);
    CentreOnScreen(*this);
}

void PublishReportDialog::setChecks(const std::vector<CheckFinding>& findings) {
    checks->clear();
    for (const CheckFinding& finding : findings) {
        auto* line = new QListWidgetItem(QString::fromUtf8(finding.text.c_str()), checks);
        line->setData(Qt::UserRole, finding.item);
        line->setToolTip(line->text());
    }
    const bool shown = !findings.empty();
    checksLabel->setVisible(shown);
    checks->setVisible(shown);
    setFixedSize(kReportWidth, kReportHeight + (shown ? kChecksHeight : 0));
}

void PublishReportDialog::chooseLine(QListWidgetItem* line) {
    if (!line) return;
    emit itemChosen(line->data(Qt::UserRole).toInt());
    accept();
}

}  // namespace marivel
