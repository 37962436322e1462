#pragma once

#include <QDialog>
#include <vector>

#include "documents/browser_detection.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace marivel {

class Prompter;
class SettingsStore;
class Shell;

// Names of the stored choice under kBrowsersKey.
namespace browser_values {
inline const QString kUseDefault = QStringLiteral("UseDefaultBrowser");
inline const QString kUseKnown = QStringLiteral("UseKnownBrowser");
inline const QString kUseSpecified = QStringLiteral("UseSpecifiedBrowser");
inline const QString kSelectedNumber = QStringLiteral("SelectedBrowserNumber");
inline const QString kSpecifiedPath = QStringLiteral("SpecifiedBrowserExePath");
}  // namespace browser_values

// The choice of the browser that shows the preview: the desktop's default,
// one of the browsers found on the machine, or a program the user names.
// Every creation detects the browsers again and loads the stored choice into
// the controls; OK stores the controls, Cancel stores nothing. Preview makes
// one without showing it, only to launch.
class BrowserChoiceDialog final : public QDialog {
    Q_OBJECT
public:
    BrowserChoiceDialog(SettingsStore& settings, Prompter& prompter, Shell& shell,
                        const BrowserLocations& where, QWidget* parent = nullptr);

    // Detected at creation; entry i is line i of the browser list.
    std::vector<BrowserNameAndPath> knownBrowsers_;

    // Opens folder + fileName (joined as they are; the folder ends with a
    // separator) in the chosen browser. Known browsers and the user's program
    // receive the path as one argument, blanks and all. "Use Known Browser"
    // without a selected line opens the default browser. False when nothing
    // could be started, including when no choice is ticked at all.
    bool launchBrowser(const QString& folder, const QString& fileName);
    // The command launchBrowser runs, as a message shows it.
    QString launchCommandText(const QString& folder, const QString& fileName) const;

    void acceptChoice();
    void browseForProgram();

private:
    void buildLayout();
    void initialize(const BrowserLocations& where);
    void loadStoredChoice();
    void storeChoice();
    void browserListActivated();
    void knownBrowserChosen();
    // Ticking one button unticks the other two; unticking touches only that
    // button, so all three can end up unticked.
    void tick(QRadioButton* button, bool on);

    SettingsStore& settings_;
    Prompter& prompter_;
    Shell& shell_;

    QGroupBox* choiceGroup;
    QButtonGroup* choice_;
    QRadioButton* defaultBrowserButton;
    QRadioButton* knownBrowserButton;
    QComboBox* knownBrowserList;
    QRadioButton* specifiedBrowserButton;
    QLabel* programLabel;
    QLineEdit* editSpecifiedBrowserFileName;
    QToolButton* browseProgramButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
};

// The filter of the dialog that picks the user's program. Programs on Linux
// carry no extension, so every file is offered there.
QString ProgramFileFilter();

}  // namespace marivel
