#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace marivel {

class Prompter;
class SettingsStore;

// The tip shown before the link file dialog: local links may be blocked by
// browsers. Its check box stores at once, at every click, whether the tip
// should come back next time.
class LinkTipDialog : public QDialog {
    Q_OBJECT

public:
    static const QString kValueName;  // "ShowLinkTipDialog"

    LinkTipDialog(SettingsStore& settings, Prompter& prompter, QWidget* parent = nullptr);

    // Whether the tip is to be shown: a missing value (or key) shows it, a
    // value that cannot be read does not.
    static bool shouldShow(const SettingsStore& settings);

    QCheckBox* checkBox() const { return check_; }
    QPushButton* okButton() const { return ok_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr QSize kDesignedSize{297, 129};

    void storeChoice(bool doNotShow);
    void fitToTexts();

    SettingsStore& settings_;
    Prompter& prompter_;
    QCheckBox* check_;
    QPushButton* ok_;
};

}  // namespace marivel
