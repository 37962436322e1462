#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace marivel {

class SettingsStore;

// The templates dialog: lists the project files of the templates folder and
// opens the chosen one, or starts a new project when cancelled. What opening
// and starting mean is the caller's; the dialog only decides when.
class TfrmTemplet final : public QDialog {
    Q_OBJECT
public:
    static const QString kValueName;  // "ShowTempletsDialog"

    struct Handlers {
        // Opens the project at path; false when that raised an error (the
        // handler has shown it).
        std::function<bool(const QString& path)> openProject;
        // Runs the New command, with its own questions and error box.
        std::function<void()> newProject;
        // Shows a message in the standard error box.
        std::function<void(const QString& message)> showError;
    };

    // Creates the templates folder when it is missing; throws Error
    // "Cannot create <folder>" when that fails, so the dialog never shows.
    TfrmTemplet(std::filesystem::path folder, SettingsStore& settings, Handlers handlers,
                QWidget* parent = nullptr);

    // The full path of the selected template; empty when none is selected.
    QString selectedPath() const;

    QListWidget* TempletList;
    QLabel* Label1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QCheckBox* chckbxDontShow;

public slots:
    // Escape and the Cancel button both mean "start a new project".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void TempletListDblClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void chckbxDontShowClick(bool ticked);

    std::filesystem::path folder_;
    SettingsStore& settings_;
    Handlers handlers_;
};

}  // namespace marivel
