#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace marivel {

class Shell;

// The About box: the program's name, version and maker, the maker's two
// addresses as links, and the legal notice. Made by each About command,
// shown modally and let go of when it closes.
class TformAbout final : public QDialog {
    Q_OBJECT
public:
    static const QString kRightsNotice;
    static const QString kLegalWarning;

    explicit TformAbout(Shell& shell, QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* lblProductName;
    QLabel* lblProductVersion;
    QLabel* Label5;
    QLabel* Label2;
    QLabel* Label8;
    QLabel* Label3;
    QLabel* Label10;
    QLabel* Comments;
    QPushButton* Button1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void FormCreate();
    void Label8Click();
    void Label10Click();
    void Label8MouseMove();
    void Label10MouseMove();
    void FormMouseMove();

    Shell& shell_;
};

// The colour of a link label's text.
QColor LinkColour(const QLabel& label);

}  // namespace marivel
