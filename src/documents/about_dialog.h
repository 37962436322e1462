#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace marivel {

class Shell;

// The About box: the program's name, version and maker, the maker's two
// addresses as links, and the legal notice. Made by each About command,
// shown modally and let go of when it closes.
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    static const QString kRightsNotice;
    static const QString kLegalWarning;

    explicit AboutDialog(Shell& shell, QWidget* parent = nullptr);

    QLabel* productIcon;
    QLabel* productNameLabel;
    QLabel* productVersionLabel;
    QLabel* rightsLabel;
    QLabel* webSiteLabel;
    QLabel* homepageLink;
    QLabel* techSupportLabel;
    QLabel* supportLink;
    QLabel* commentsLabel;
    QPushButton* okButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void initialize();
    void openProductPage();
    void openSupportPage();
    void highlightHomepageLink();
    void highlightSupportLink();
    void restoreLinkColours();

    Shell& shell_;
};

// The colour of a link label's text.
QColor LinkColour(const QLabel& label);

}  // namespace marivel
