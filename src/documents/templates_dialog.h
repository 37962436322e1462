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

// The templates dialog: lists the project files of the templates folders and
// opens the chosen one, or starts a new project when cancelled. What opening
// and starting mean is the caller's; the dialog only decides when.
//
// An installed program has two templates folders: the shipped one, only read,
// and the user's own, where Save As Template puts new ones. The list shows
// the templates of both by name, in one order; a template of the user's that
// has the name of a shipped one is listed in its place (it is usually the
// shipped one, changed and saved by the user). A portable program has one
// folder for both.
class TemplatesDialog final : public QDialog {
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

    // Creates the user's templates folder when it is missing; throws Error
    // "Cannot create <folder>" when that fails and there is no shipped folder
    // to list either, so the dialog never shows.
    TemplatesDialog(std::filesystem::path shippedFolder, std::filesystem::path ownFolder,
                    SettingsStore& settings, Handlers handlers, QWidget* parent = nullptr);

    // The full path of the selected template; empty when none is selected.
    QString selectedPath() const;

    QListWidget* templateList;
    QLabel* instructionLabel;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QCheckBox* doNotShowCheck;

public slots:
    // Escape and the Cancel button both mean "start a new project".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void initialize();
    void showStoredChoice();
    void openDoubleClickedTemplate();
    void openSelectedTemplate();
    void startWithoutTemplate();
    void storeDoNotShow(bool ticked);

    std::filesystem::path shippedFolder_;
    std::filesystem::path ownFolder_;
    SettingsStore& settings_;
    Handlers handlers_;
};

}  // namespace marivel
