#pragma once

#include <QWidget>

#include "model/records.h"

class QLineEdit;
class QRadioButton;

namespace marivel {

class Prompter;
class SettingsStore;

// The "Path" page: the two root directories between which item links are
// rewritten when the slider is generated, and which way they are rewritten.
class PathPage : public QWidget {
    Q_OBJECT

public:
    PathPage(Prompter& prompter, SettingsStore& settings, QWidget* parent = nullptr);

    // A choice other than "1" or "0" leaves both radio buttons unchecked.
    void load(const SliderSettings& data);
    // Writes RootDirLocal, RootDirRemote and RootDirLocalChecked only.
    void apply(SliderSettings& data) const;

signals:
    void modified();
    // The user has left a root directory (typed) or chosen a conversion.
    void editFinished(bool typed);
    void helpRequested(int topic);

private:
    void setChoice(bool local, bool remote);

    QLineEdit* localRootEdit;
    QLineEdit* remoteRootEdit;
    QRadioButton* localRootButton;
    QRadioButton* remoteRootButton;
};

}  // namespace marivel
