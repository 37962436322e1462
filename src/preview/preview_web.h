#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

class QWidget;

namespace marivel {

// What the pane needs of a web engine, behind an interface: the engine is a
// library of its own (marivel_preview_web), loaded the first time the pane
// is shown, so an editor that never shows the pane never loads it and
// starts as fast as one built without it.
class PreviewWeb {
public:
    // What the page tells the pane.
    struct Hooks {
        std::function<void(int position, bool openLink)> clicked;  // a picture was clicked
        std::function<void(int generation)> shown;                 // the page drew its first frame
        std::function<void(const QString& text)> problem;          // one line of trouble
    };

    virtual ~PreviewWeb() = default;
    // The view to put into the pane.
    virtual QWidget* widget() = 0;
    // Loads (or reloads) the page file, which must lie in the folder.
    virtual void load(const QUrl& page) = 0;
    // Runs script in the pane's own script world.
    virtual void run(const QString& script) = 0;
    // Runs script in the page's world or the pane's, and hands over its
    // result (for tests and measurements).
    virtual void evaluate(const QString& script, bool pageWorld,
                          std::function<void(const QVariant&)> done) = 0;
    virtual void setZoom(int ratio) = 0;
    // Every request the engine made, "allowed URL" or "refused URL".
    virtual QStringList requestLog() const = 0;
};

// Made by the library's marivel_create_preview_web(folder, hooks, parent).
using CreatePreviewWeb = PreviewWeb* (*)(const QString& folder, const PreviewWeb::Hooks& hooks,
                                         QWidget* parent);

// Loads the web engine's library from beside the executable (or the
// installed library folder) and makes the view; null with the reason in
// error when it cannot.
std::unique_ptr<PreviewWeb> LoadPreviewWeb(const QString& folder, const PreviewWeb::Hooks& hooks,
                                           QWidget* parent, QString* error);

}  // namespace marivel
