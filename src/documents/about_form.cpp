#include "documents/about_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"
#include "output/generated_files.h"
#include "platform/local_text.h"
#include "platform/shell.h"

namespace marivel {

namespace {

void setColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QLabel* link(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    label->setToolTip(text);
    setColour(label, Qt::blue);
    return label;
}

}  // namespace

const QString TformAbout::kRightsNotice = QStringLiteral("Copyright (C) Kelt Software. All rights reserved.");
const QString TformAbout::kLegalWarning = QStringLiteral(
    "Warning: this program is protected by copyright law and international treaties. Copying it or "
    "passing it on, in whole or in part, without a licence from Kelt Software is prohibited.");

TformAbout::TformAbout(Shell& shell, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags | Qt::WindowCloseButtonHint), shell_(shell) {
    setObjectName(QStringLiteral("formAbout"));
    setModal(true);
    // The box is laid out for the main window's small font.
    if (parent) setFont(parent->font());
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setMouseTracking(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(32, 32);
    Image1->setPixmap(windowIcon().pixmap(32, 32));
    lblProductName = new QLabel(this);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    QFont bold = lblProductName->font();
    bold.setBold(true);
    lblProductName->setFont(bold);
    lblProductVersion = new QLabel(this);
    lblProductVersion->setObjectName(QStringLiteral("lblProductVersion"));
    Label5 = new QLabel(kRightsNotice, this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label2 = new QLabel(QStringLiteral("Web Site"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label8 = link("Label8", toQt(kProductPage), this);
    Label3 = new QLabel(QStringLiteral("Tech Support"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label10 = link("Label10", toQt(kSupportPage), this);
    Comments = new QLabel(kLegalWarning, this);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Label8->installEventFilter(this);
    Label10->installEventFilter(this);

    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(lblProductName);
    names->addWidget(lblProductVersion);
    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(names, 1);
    auto* links = new QGridLayout;
    links->setHorizontalSpacing(10);
    links->setVerticalSpacing(2);
    links->addWidget(Label2, 0, 0);
    links->addWidget(Label8, 0, 1, Qt::AlignLeft);
    links->addWidget(Label3, 1, 0);
    links->addWidget(Label10, 1, 1, Qt::AlignLeft);
    links->setColumnStretch(1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Button1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 8);
    column->setSpacing(6);
    column->addLayout(top);
    column->addWidget(Label5);
    column->addLayout(links);
    column->addWidget(Comments, 1);
    column->addLayout(bottom);

    FormCreate();
    setFixedSize(313, 211);
    CentreOnScreen(*this);
}

void TformAbout::FormCreate() {
    setWindowTitle(QStringLiteral("Marivel"));
    lblProductName->setText(QStringLiteral("Marivel"));
    lblProductVersion->setText(QStringLiteral("Version 1.1"));
}

bool TformAbout::eventFilter(QObject* watched, QEvent* event) {
    const bool home = watched == Label8;
    if (!home && watched != Label10) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseMove:
            home ? Label8MouseMove() : Label10MouseMove();
            // Kept from the box: a move over a link is no move over the box.
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->rect().contains(
                    static_cast<QMouseEvent*>(event)->position().toPoint()))
                home ? Label8Click() : Label10Click();
            return true;
        default:
            return QDialog::eventFilter(watched, event);
    }
}

void TformAbout::mouseMoveEvent(QMouseEvent* event) {
    FormMouseMove();
    QDialog::mouseMoveEvent(event);
}

void TformAbout::Label8Click() {
    shell_.openDocument(toQt(kProductPage));
}

void TformAbout::Label10Click() {
    shell_.openDocument(toQt(kSupportPage));
}

void TformAbout::Label8MouseMove() {
    setColour(Label8, Qt::red);
}

void TformAbout::Label10MouseMove() {
    setColour(Label10, Qt::red);
}

void TformAbout::FormMouseMove() {
    setColour(Label8, Qt::blue);
    setColour(Label10, Qt::blue);
}

QColor LinkColour(const QLabel& label) {
    return label.palette().color(QPalette::WindowText);
}

}  // namespace marivel
