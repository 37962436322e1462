#include "documents/html_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"

namespace marivel {

TformHTML::TformHTML(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      memoHTMLBuild(new QPlainTextEdit(this)),
      Button1(new QPushButton(QStringLiteral("&OK"), this)),
      Button2(new QPushButton(QStringLiteral("&Copy to Clipboard"), this)) {
    setObjectName(QStringLiteral("formHTML"));
    setWindowTitle(QStringLiteral("HTML"));
    setModal(true);
    setSizeGripEnabled(true);

    memoHTMLBuild->setObjectName(QStringLiteral("memoHTMLBuild"));
    memoHTMLBuild->setReadOnly(true);
    // Page source reads best unwrapped, in columns that line up.
    memoHTMLBuild->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoHTMLBuild->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memoHTMLBuild->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoHTMLBuild->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &TformHTML::Button2Click);

    // The buttons keep to the lower right corner, Copy right of OK; the text
    // takes every other pixel when the window is resized.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* column = new QVBoxLayout(this);
    column->addWidget(memoHTMLBuild, 1);
    column->addLayout(buttons);

    resize(672, 517);
    CentreOnScreen(*this);
}

void TformHTML::Button2Click() {
    memoHTMLBuild->selectAll();
    memoHTMLBuild->copy();
}

}  // namespace marivel
