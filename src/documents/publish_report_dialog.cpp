#include "documents/publish_report_dialog.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"

namespace marivel {

TfrmPublishReport::TfrmPublishReport(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      memoPublishReport(new QPlainTextEdit(this)),
      BitBtn1(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("frmPublishReport"));
    setWindowTitle(QStringLiteral("Applet Publish Report"));
    setModal(true);

    memoPublishReport->setObjectName(QStringLiteral("memoPublishReport"));
    memoPublishReport->setReadOnly(true);
    memoPublishReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(memoPublishReport, 1);
    column->addLayout(buttons);

    setFixedSize(536, 303);
    CentreOnScreen(*this);
}

}  // namespace marivel
