#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QObject;

namespace marivel {

// What the program asks of the desktop shell. Behind an interface so tests
// can record the requests instead of opening browsers.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a document or an address with the program the desktop associates
    // with it. A text with a URL scheme ("http:", "file:", "mailto:") is an
    // address; anything else is a local path. False when nothing was started.
    virtual bool openDocument(const QString& pathOrUrl) = 0;
    // Starts a program with one argument, handed over whole even when it
    // contains blanks (no argument at all when it is empty).
    virtual bool startProgram(const QString& program, const QString& argument) = 0;

    // Told, with a message that names the command, when a program started
    // from now on ends with an error soon after it started: a browser that
    // cannot open the page usually says so and quits at once. Only as long
    // as `context` lives; an empty handler stops the watching.
    using LaunchFailure = std::function<void(const QString& message)>;
    void watchLaunches(QObject* context, LaunchFailure handler) {
        watchContext_ = context;
        onFailure_ = std::move(handler);
    }

protected:
    bool watchingLaunches() const { return onFailure_ && watchContext_; }
    QObject* watchContext() const { return watchContext_; }
    const LaunchFailure& launchFailure() const { return onFailure_; }

private:
    QPointer<QObject> watchContext_;
    LaunchFailure onFailure_;
};

// The real shell: QDesktopServices and QProcess::startDetached. Where the
// platform plugin opens no documents, Linux falls back on xdg-open. While
// launches are watched, programs run under a small shell that notes their
// exit code and error output, and the desktop's opener is asked directly.
class DesktopShell final : public Shell {
public:
    bool openDocument(const QString& pathOrUrl) override;
    bool startProgram(const QString& program, const QString& argument) override;

    // How long after its start a program's failure is still reported.
    static constexpr int kWatchMilliseconds = 10000;

private:
    bool startWatched(const QString& program, const QStringList& arguments);
};

// Tells an address from a local path. A one-letter scheme is a Windows drive
// ("C:\site\a.html"), not a URL scheme.
bool looksLikeUrl(const QString& text);

// The command as a user would type it, for messages: each word quoted.
QString CommandText(const QString& program, const QStringList& arguments);

}  // namespace marivel
