#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace marivel {

// The report of the Publish command: the list of files to upload, read-only,
// with one OK button. Made for one showing and released when it closes.
class PublishReportDialog final : public QDialog {
    Q_OBJECT
public:
    explicit PublishReportDialog(QWidget* parent = nullptr);
    QPlainTextEdit* memo() const { return reportText; }

private:
    QPlainTextEdit* reportText;
    QPushButton* okButton;
};

}  // namespace marivel
