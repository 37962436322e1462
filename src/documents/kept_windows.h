#pragma once

#include <QDialog>

class QTextBrowser;

namespace marivel {

// The help window: created hidden at start and kept; closing only hides it.
// Navigation to the help pages comes with the help commands.
class TfrmHelp final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return WebBrowser1; }

private:
    QTextBrowser* WebBrowser1;
};

}  // namespace marivel
