#pragma once

#include <QWidget>
#include <vector>

#include "documents/help_topic.h"
#include "model/records.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QToolButton;

namespace marivel {

class ColorSwatch;
class Prompter;
class SeparatorCheck;
class SettingsStore;
class SpinEdit;

// The "Script" page: the slider's name, colours, size, scrolling, distances
// and the two borders. It is not bound live: load() fills it from a record,
// apply() writes its values back at the moments the caller commits.
class ScriptPage : public QWidget {
    Q_OBJECT

public:
    ScriptPage(Prompter& prompter, SettingsStore& settings, QWidget* parent = nullptr);

    // Fills the controls in field order. A numeric field that is no decimal
    // integer, or a colour that is no hexadecimal text, throws marivel::Error;
    // the controls filled before keep their new values.
    void load(const SliderSettings& data);
    // Writes the fields this page owns, including the names derived from the
    // trimmed slider name; the path fields are left alone.
    void apply(SliderSettings& data) const;
    // Shows in every spin edit the number apply() stores for it, as leaving
    // the edit would; a commit made while the user is still in one (a save
    // by shortcut or tool button) then shows what it stored.
    void settleNumbers();
    // The slider width as the page shows it now (committed or not).
    int shownWidth() const;

signals:
    // A change that makes the project unsaved (typing, a border style the
    // user picks, or a colour pick even when the dialog was cancelled).
    void modified();
    // The user has finished an edit: left a field (typed), or picked a style
    // or a colour (not typed). The owner commits the page then.
    void editFinished(bool typed);
    void helpRequested(int topic);

protected:
    bool event(QEvent* event) override;

private:
    QGroupBox* group(const QString& title, HelpTopic helpTopic, QGridLayout*& row);
    SpinEdit* spin(const char* name, const QString& label, QGridLayout* row, int labelColumn);
    ColorSwatch* swatch(const char* name, const QString& hint, QGridLayout* row);
    QComboBox* styleList(const char* name, QGridLayout* row);
    void alignColumns();
    void pickColor(ColorSwatch* swatch);

    Prompter& prompter_;
    SeparatorCheck* separatorCheck_;
    std::vector<QGridLayout*> rows_;
    std::vector<QToolButton*> helpButtons_;
    bool alignPending_ = false;

    QLineEdit* sliderNameEdit;
    ColorSwatch* backgroundColorSwatch;
    SpinEdit* widthSpin;
    SpinEdit* heightSpin;
    SpinEdit* stepSpin;
    SpinEdit* delaySpin;
    SpinEdit* gapSpin;
    SpinEdit* trailerSpaceSpin;
    SpinEdit* sliderBorderWidthSpin;
    QComboBox* sliderBorderStyleList;
    ColorSwatch* sliderBorderColorSwatch;
    SpinEdit* imageBorderWidthSpin;
    QComboBox* imageBorderStyleList;
    ColorSwatch* imageBorderColorSwatch;
};

}  // namespace marivel
