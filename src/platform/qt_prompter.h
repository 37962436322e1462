#pragma once

#include "platform/prompter.h"

namespace marivel {

// The real prompter: QMessageBox, QFileDialog and QColorDialog with the
// program's fixed captions and button texts.
class QtPrompter final : public Prompter {
public:
    void error(QWidget* parent, const QString& text, const QString& caption = QString()) override;
    Answer yesNo(QWidget* parent, const QString& text) override;
    Answer yesNoCancel(QWidget* parent, const QString& text) override;
    Answer okCancel(QWidget* parent, const QString& text) override;
    void warningYesOnly(QWidget* parent, const QString& text) override;
    void information(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& filter,
                     const QString& directory = QString()) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& filter,
                     const QString& directory = QString(), bool confirmOverwrite = true) override;
    QString openPicture(QWidget* parent, const QString& filter,
                        const QString& directory = QString()) override;
    QStringList openPictures(QWidget* parent, const QString& filter,
                             const QString& directory = QString()) override;
    QColor color(QWidget* parent, const QColor& initial) override;
};

}  // namespace marivel
