#include "documents/about_dialog.h"

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

const QString AboutDialog::kRightsNotice =
    QStringLiteral("Copyright (C) Kelt Software. All rights reserved.");
const QString AboutDialog::kLegalWarning = QStringLiteral(
    "Warning: this program is protected by copyright law and international treaties. Copying it or "
    "passing it on, in whole or in part, without a licence from Kelt Software is prohibited.");

AboutDialog::AboutDialog(Shell& shell, QWidget* parent)
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

    productIcon = new QLabel(this);
    productIcon->setObjectName(QStringLiteral("Image1"));
    productIcon->setFixedSize(32, 32);
    productIcon->setPixmap(windowIcon().pixmap(32, 32));
    productNameLabel = new QLabel(this);
    productNameLabel->setObjectName(QStringLiteral("lblProductName"));
    QFont bold = productNameLabel->font();
    bold.setBold(true);
    productNameLabel->setFont(bold);
    productVersionLabel = new QLabel(this);
    productVersionLabel->setObjectName(QStringLiteral("lblProductVersion"));
    rightsLabel = new QLabel(kRightsNotice, this);
    rightsLabel->setObjectName(QStringLiteral("Label5"));
    webSiteLabel = new QLabel(QStringLiteral("Web Site"), this);
    webSiteLabel->setObjectName(QStringLiteral("Label2"));
    homepageLink = link("Label8", toQt(kProductPage), this);
    techSupportLabel = new QLabel(QStringLiteral("Tech Support"), this);
    techSupportLabel->setObjectName(QStringLiteral("Label3"));
    supportLink = link("Label10", toQt(kSupportPage), this);
    commentsLabel = new QLabel(kLegalWarning, this);
    commentsLabel->setObjectName(QStringLiteral("Comments"));
    commentsLabel->setWordWrap(true);
    commentsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("Button1"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    homepageLink->installEventFilter(this);
    supportLink->installEventFilter(this);

    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(productNameLabel);
    names->addWidget(productVersionLabel);
    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(productIcon, 0, Qt::AlignTop);
    top->addLayout(names, 1);
    auto* links = new QGridLayout;
    links->setHorizontalSpacing(10);
    links->setVerticalSpacing(2);
    links->addWidget(webSiteLabel, 0, 0);
    links->addWidget(homepageLink, 0, 1, Qt::AlignLeft);
    links->addWidget(techSupportLabel, 1, 0);
    links->addWidget(supportLink, 1, 1, Qt::AlignLeft);
    links->setColumnStretch(1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(okButton);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 8);
    column->setSpacing(6);
    column->addLayout(top);
    column->addWidget(rightsLabel);
    column->addLayout(links);
    column->addWidget(commentsLabel, 1);
    column->addLayout(bottom);

    initialize();
    setFixedSize(313, 211);
    CentreOnScreen(*this);
}

void AboutDialog::initialize() {
    setWindowTitle(QStringLiteral("Marivel"));
    productNameLabel->setText(QStringLiteral("Marivel"));
    productVersionLabel->setText(QStringLiteral("Version 1.1"));
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    const bool home = watched == homepageLink;
    if (!home && watched != supportLink) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseMove:
            home ? highlightHomepageLink() : highlightSupportLink();
            // Kept from the box: a move over a link is no move over the box.
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->rect().contains(
                    static_cast<QMouseEvent*>(event)->position().toPoint()))
                home ? openProductPage() : openSupportPage();
            return true;
        default:
            return QDialog::eventFilter(watched, event);
    }
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event) {
    restoreLinkColours();
    QDialog::mouseMoveEvent(event);
}

void AboutDialog::openProductPage() {
    shell_.openDocument(toQt(kProductPage));
}

void AboutDialog::openSupportPage() {
    shell_.openDocument(toQt(kSupportPage));
}

void AboutDialog::highlightHomepageLink() {
    setColour(homepageLink, Qt::red);
}

void AboutDialog::highlightSupportLink() {
    setColour(supportLink, Qt::red);
}

void AboutDialog::restoreLinkColours() {
    setColour(homepageLink, Qt::blue);
    setColour(supportLink, Qt::blue);
}

QColor LinkColour(const QLabel& label) {
    return label.palette().color(QPalette::WindowText);
}

}  // namespace marivel
