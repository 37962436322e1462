#pragma once

#include <QSize>
#include <QString>

namespace marivel {

class Shell;
class MainWindow;

// Saves pictures of the main window for a person to look at: the slider
// pages with the root selected (Script, then Path), then the item page with
// an item selected, then the help window showing a group's page and the
// About box. Adds a few items first when the project has none. When
// MARIVEL_SCREENSHOT_SIZE holds a size such as 1600x1000, the main window is
// first resized to it, the file names end in "-1600x1000" and the two small
// windows, which have one size, are left out. Answers the exit code.
int SaveScreenshots(MainWindow& form, Shell& shell, const QString& folder);

// "1600x1000" as a size; an invalid size for anything else.
QSize ParseScreenshotSize(const QString& text);

}  // namespace marivel
