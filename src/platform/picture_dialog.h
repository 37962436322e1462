#pragma once

#include <QFileDialog>

class QLabel;

namespace marivel {

// An open dialog for pictures that shows a scaled preview of the selected
// file beside the file list, with its pixel size below it. Qt's own dialog
// (not the desktop's) so that the preview pane can be added.
class PictureDialog final : public QFileDialog {
    Q_OBJECT
public:
    enum class Choice { One, Several };
    PictureDialog(QWidget* parent, const QString& filter, const QString& directory,
                  Choice choice = Choice::One);
    QString chosenFile() const;
    // What the preview currently shows ("" when no picture is selected).
    QString previewText() const;
    bool hasPreview() const;

    // Shows the picture at path in the preview pane, or a note when it is
    // no readable picture.
    void showPreview(const QString& path);

private:
    QLabel* picture_;
    QLabel* info_;
};

}  // namespace marivel
