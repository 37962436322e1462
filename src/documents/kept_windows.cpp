#include "documents/kept_windows.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace marivel {

TformHTML::TformHTML(QWidget* parent) : QDialog(parent, Qt::Tool), memoHTMLBuild(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("formHTML"));
    setWindowTitle(QStringLiteral("HTML"));
    setModal(true);
    resize(672, 517);
    memoHTMLBuild->setObjectName(QStringLiteral("memoHTMLBuild"));
    memoHTMLBuild->setReadOnly(true);
    memoHTMLBuild->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* column = new QVBoxLayout(this);
    column->addWidget(memoHTMLBuild, 1);
    column->addLayout(buttons);
}

TfrmHelp::TfrmHelp(QWidget* parent) : QDialog(parent, Qt::Tool), WebBrowser1(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setFixedSize(402, 428);
    move(265, 180);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(0, 0, 401, 427);
}

}  // namespace marivel
