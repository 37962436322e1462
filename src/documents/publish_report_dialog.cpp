#include "documents/publish_report_dialog.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"

namespace marivel {

PublishReportDialog::PublishReportDialog(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      reportText(new QPlainTextEdit(this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("frmPublishReport"));
    setWindowTitle(QStringLiteral("Applet Publish Report"));
    setModal(true);

    reportText->setObjectName(QStringLiteral("memoPublishReport"));
    reportText->setReadOnly(true);
    reportText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    okButton->setObjectName(QStringLiteral("BitBtn1"));
    okButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(reportText, 1);
    column->addLayout(buttons);

    setFixedSize(536, 303);
    CentreOnScreen(*this);
}

}  // namespace marivel
