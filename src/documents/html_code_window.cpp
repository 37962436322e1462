#include "documents/html_code_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"

namespace marivel {

HtmlCodeWindow::HtmlCodeWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      codeText(new QPlainTextEdit(this)),
      okButton(new QPushButton(QStringLiteral("&OK"), this)),
      copyButton(new QPushButton(QStringLiteral("&Copy to Clipboard"), this)) {
    setObjectName(QStringLiteral("formHTML"));
    setWindowTitle(QStringLiteral("HTML"));
    setModal(true);
    setSizeGripEnabled(true);

    codeText->setObjectName(QStringLiteral("memoHTMLBuild"));
    codeText->setReadOnly(true);
    // Page source reads best unwrapped, in columns that line up.
    codeText->setLineWrapMode(QPlainTextEdit::NoWrap);
    codeText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    codeText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    codeText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    okButton->setObjectName(QStringLiteral("Button1"));
    okButton->setDefault(true);
    copyButton->setObjectName(QStringLiteral("Button2"));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(copyButton, &QPushButton::clicked, this, &HtmlCodeWindow::copyAllText);

    // The buttons keep to the lower right corner, Copy right of OK; the text
    // takes every other pixel when the window is resized.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(copyButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(codeText, 1);
    column->addLayout(buttons);

    resize(672, 517);
    CentreOnScreen(*this);
}

void HtmlCodeWindow::copyAllText() {
    codeText->selectAll();
    codeText->copy();
}

}  // namespace marivel
