#pragma once

namespace marivel {

class LivePreviewDock;
class MainWindow;
class SettingsStore;
class Shell;

// View > Live Preview: puts the pane beside the pages, with its View entry
// (F9, the shown state remembered in settings), and ties it to the window's
// project document. The pane only reads the project; the document tells it
// what changed and which item is selected, and a click on a picture in the
// pane selects that item in the tree. Returns the pane, or null when the
// editor is built without the live preview.
LivePreviewDock* InstallLivePreview(MainWindow& window, SettingsStore& settings, Shell& shell);

}  // namespace marivel
