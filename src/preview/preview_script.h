#pragma once

#include <QString>

namespace marivel {

// The pane's own script, run in a world of its own beside the page's
// scripts: it reports clicks on pictures (and keeps them from following
// their links), outlines and reveals the selected picture, pauses the
// slider, sets the column and swaps in pictures as they are prepared, and
// tells the pane when the slider has drawn its first frame. It defines
// window.marivelPreview in that world.
QString PreviewPageScript();

}  // namespace marivel
