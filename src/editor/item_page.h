#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

#include "documents/help_topic.h"
#include "model/records.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace marivel {

class PictureThumbnails;
class Prompter;
class SettingsStore;

// The "Item General" page: the image, link, target and tooltip of the item
// selected in the design tree.
class ItemPage : public QWidget {
    Q_OBJECT

public:
    ItemPage(Prompter& prompter, SettingsStore& settings, QWidget* parent = nullptr);

    // Shows one item; the page leaves the several-items mode.
    void load(const SliderItem& item);

    // The fields several selected items share; a field whose values differ
    // is shown empty with the placeholder "(several values)", and stays
    // each item's own until the user types into it.
    struct SharedFields {
        bool link = false;
        bool target = false;
        bool toolTip = false;
    };
    // Shows the fields shared by several items: shared holds the common
    // values, differing the fields whose values differ. The picture, one per
    // item, cannot be edited for several.
    void loadShared(const SliderItem& shared, SharedFields differing);
    bool showsSeveral() const { return several_; }
    // The shared fields the user set: every field the items already share,
    // and a differing one once something is typed into it.
    SharedFields sharedFieldsSet() const;
    // Shows another text for the image path alone (after a save that wrote
    // it so it still names the same picture from the project's new place).
    void showImagePath(const std::string& path);
    // The folder a relative image path is read from (the project's), asked
    // when the picture dialog opens at the shown picture's folder.
    void setProjectFolder(std::function<std::filesystem::path()> projectFolder) {
        projectFolder_ = std::move(projectFolder);
    }
    // Where the preview beside the image path comes from; without it the
    // preview stays empty.
    void setPictures(PictureThumbnails* pictures);
    // A fresh record with the four shown fields, trimmed; the fields the
    // generator computes are left empty.
    SliderItem commit() const;
    // The picture file the shown path names (relative paths taken from the
    // project folder), absolute; empty for a blank path.
    QString shownPictureFile() const;
    // The side of the box the preview is fitted into.
    static QSize previewBox();

    // The URL under which a local file is linked: a POSIX path becomes
    // "file://" + path; a Windows path has its backslashes turned into
    // slashes and its drive colon into "|" behind "file:///".
    static QString fileUrl(const QString& path);

signals:
    void modified();
    // The user has left a field (typed), or picked an entry of a list or a
    // file with a dialog (not typed).
    void editFinished(bool typed);
    void helpRequested(int topic);
    // A picture was chosen with the "..." button.
    void pictureChosen();

private:
    QGroupBox* group(const char* name, const QString& title);
    QToolButton* browseButton(const char* name, const QString& hint, QWidget* parent);
    QToolButton* addHelp(QWidget* box, HelpTopic topic, QGridLayout* grid, int row);
    void pickImage();
    void pickLink();
    void showPreview();

    Prompter& prompter_;
    SettingsStore& settings_;
    std::function<std::filesystem::path()> projectFolder_;
    PictureThumbnails* pictures_ = nullptr;

    QLineEdit* originalImagePathEdit;
    QToolButton* browseImageButton;
    QComboBox* linkList;
    QToolButton* browseLinkButton;
    QComboBox* targetList;
    QLineEdit* toolTipEdit;
    QLabel* picturePreview_;
    QLabel* pictureNote_;  // under the preview: the picture's state
    bool several_ = false;
    SharedFields differing_;
};

}  // namespace marivel
