#pragma once

#include <QDialog>
#include <vector>

#include "output/publish_checks.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

namespace marivel {

// The report of the Publish command: the list of files to upload, read-only,
// with one OK button, and below it what the checks before publishing found.
// Made for one showing and released when it closes.
class PublishReportDialog final : public QDialog {
    Q_OBJECT
public:
    explicit PublishReportDialog(QWidget* parent = nullptr);
    QPlainTextEdit* memo() const { return reportText; }
    QListWidget* checkList() const { return checks; }

    // Shows one line per finding; the list (and the room for it) appears
    // only when there is something to show.
    void setChecks(const std::vector<CheckFinding>& findings);

signals:
    // A check's line was double-clicked: the item it names (-1: the slider).
    // The dialog closes, so the user can fix it at once.
    void itemChosen(int item);

private:
    void chooseLine(QListWidgetItem* line);

    QPlainTextEdit* reportText;
    QLabel* checksLabel;
    QListWidget* checks;
    QPushButton* okButton;
};

}  // namespace marivel
