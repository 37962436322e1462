#pragma once

#include <QSize>
#include <QString>

namespace marivel {

class TMainForm;

// Saves pictures of the main window for a person to look at: the slider
// pages with the root selected (Script, then Path), then the item page with
// an item selected. Adds a few items first when the project has none. When
// MARIVEL_SCREENSHOT_SIZE holds a size such as 1600x1000, the window is
// first resized to it and the file names end in "-1600x1000". Answers the
// exit code.
int SaveScreenshots(TMainForm& form, const QString& folder);

// "1600x1000" as a size; an invalid size for anything else.
QSize ParseScreenshotSize(const QString& text);

}  // namespace marivel
