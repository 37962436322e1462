#pragma once

#include <QString>

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
};

// The real shell: QDesktopServices and QProcess::startDetached. Where the
// platform plugin opens no documents, Linux falls back on xdg-open.
class DesktopShell final : public Shell {
public:
    bool openDocument(const QString& pathOrUrl) override;
    bool startProgram(const QString& program, const QString& argument) override;
};

// Tells an address from a local path. A one-letter scheme is a Windows drive
// ("C:\site\a.html"), not a URL scheme.
bool looksLikeUrl(const QString& text);

}  // namespace marivel
