#pragma once

#include <QString>

namespace marivel {

class TMainForm;

// Saves pictures of the main window for a person to look at: the slider
// pages with the root selected, then the item page with an item selected.
// Adds a few items first when the project has none. Answers the exit code.
int SaveScreenshots(TMainForm& form, const QString& folder);

}  // namespace marivel
