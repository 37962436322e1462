#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

namespace marivel {

// Every modal question and common dialog of the program goes through this
// interface, so widget tests can answer them without a modal loop.
class Prompter {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompter() = default;

    // Error box: error icon, OK. The caption is "Tessaline" unless given.
    virtual void error(QWidget* parent, const QString& text, const QString& caption = QString()) = 0;
    // Warning box titled "Warning" with "&Yes" and "&No".
    virtual Answer yesNo(QWidget* parent, const QString& text) = 0;
    // Warning box titled "Warning" with "&Yes", "&No" and "Cancel".
    virtual Answer yesNoCancel(QWidget* parent, const QString& text) = 0;
    // Warning box titled "Warning" with "OK" and "Cancel": Yes for OK,
    // Cancel for Cancel (also Escape or closing the box).
    virtual Answer okCancel(QWidget* parent, const QString& text) = 0;
    // Warning box titled "Warning" whose only button is "&Yes".
    virtual void warningYesOnly(QWidget* parent, const QString& text) = 0;
    // Information box (used by About and similar); OK only.
    virtual void information(QWidget* parent, const QString& caption, const QString& text) = 0;

    // File dialogs answer the chosen full path, or an empty string when the
    // user cancelled. filter uses Qt's syntax ("HTML files (*.htm *.html);;Any file (*)").
    // Every box shows its text as plain text: messages carry file names and
    // the project's own texts, which must never be read as markup.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& directory = QString()) = 0;
    // The save dialog asks before it lets the user pick an existing file
    // unless confirmOverwrite is false: a caller that writes another file
    // than the one picked asks about that file itself.
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& directory = QString(), bool confirmOverwrite = true) = 0;
    // Open dialog for pictures, with a preview of the selected file.
    virtual QString openPicture(QWidget* parent, const QString& filter,
                                const QString& directory = QString()) = 0;
    // The same dialog letting the user choose several pictures at once: the
    // chosen full paths, none when cancelled.
    virtual QStringList openPictures(QWidget* parent, const QString& filter,
                                     const QString& directory = QString()) = 0;
    // Colour dialog preset with initial; an invalid QColor when cancelled.
    virtual QColor color(QWidget* parent, const QColor& initial) = 0;
};

}  // namespace marivel
