#include "documents/html_code_window.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
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
      copyButton(new QPushButton(QStringLiteral("&Copy to Clipboard"), this)),
      insertButton(new QPushButton(QStringLiteral("Insert into &Page..."), this)),
      copyHeadButton(new QPushButton(QStringLiteral("Copy &Head Code"), this)),
      copyDivButton(new QPushButton(QStringLiteral("Copy &Div"), this)) {
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
    insertButton->setObjectName(QStringLiteral("btnInsertIntoPage"));
    copyHeadButton->setObjectName(QStringLiteral("btnCopyHeadCode"));
    copyDivButton->setObjectName(QStringLiteral("btnCopyDiv"));
    insertButton->setToolTip(
        QStringLiteral("Put the slider into a page of your site, at <!-- Marivel slider --> "
                       "or before </body>"));
    for (QPushButton* button : {insertButton, copyHeadButton, copyDivButton}) button->setEnabled(false);
    connect(insertButton, &QPushButton::clicked, this, &HtmlCodeWindow::insertIntoPageRequested);
    connect(copyHeadButton, &QPushButton::clicked, this, &HtmlCodeWindow::copyHeadCode);
    connect(copyDivButton, &QPushButton::clicked, this, &HtmlCodeWindow::copyDiv);

    // The buttons keep to the lower right corner, Copy right of OK; the text
    // takes every other pixel when the window is resized. What serves a
    // site's own page stands apart, on the left.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(insertButton);
    buttons->addWidget(copyHeadButton);
    buttons->addWidget(copyDivButton);
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

void HtmlCodeWindow::setPageCode(const QString& headCode, const QString& divCode) {
    headCode_ = headCode;
    divCode_ = divCode;
    for (QPushButton* button : {insertButton, copyHeadButton, copyDivButton}) button->setEnabled(true);
}

void HtmlCodeWindow::copyHeadCode() {
    QGuiApplication::clipboard()->setText(headCode_);
}

void HtmlCodeWindow::copyDiv() {
    QGuiApplication::clipboard()->setText(divCode_);
}

}  // namespace marivel
