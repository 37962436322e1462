#include "editor/item_page.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>
#include <iterator>

#include "editor/link_tip_dialog.h"
#include "editor/page_controls.h"
#include "editor/picture_thumbnails.h"
#include "editor/script_page.h"
#include "editor/separator_check.h"
#include "model/field_codec.h"
#include "output/source_images.h"
#include "platform/file_url.h"
#include "platform/local_text.h"
#include "platform/prompter.h"

namespace marivel {

namespace {

const QString kPictureFilter = QStringLiteral("All Image Files (*.jpg *.jpeg)");
const QString kLinkFilter = QStringLiteral("HTML files (*.htm *.html);;Any file (*)");

QComboBox* editableList(const char* name, const QStringList& entries, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(true);
    // Typed text is the value, not a new entry of the list.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(entries);
    list->setEditText(QString());
    pages::bindText(list);
    return list;
}

}  // namespace

ItemPage::ItemPage(Prompter& prompter, SettingsStore& settings, QWidget* parent)
    : QWidget(parent), prompter_(prompter), settings_(settings) {
    setObjectName(QStringLiteral("tbshtItemGeneral"));
    QVBoxLayout* layout = pages::column(this);

    QGroupBox* image = group("grpbxOriginalImagePath", QStringLiteral("Original Image Path"));
    auto* imageGrid = new QGridLayout(image);
    originalImagePathEdit = new QLineEdit(image);
    originalImagePathEdit->setObjectName(QStringLiteral("edtOriginalImagePath"));
    pages::bindText(originalImagePathEdit);
    browseImageButton = browseButton("spdbtnOriginalImagePath",
                                     QStringLiteral("Choose the original image of this item"), image);
    // The chosen picture shows beside its path, so a wrong pick is seen at once.
    picturePreview_ = new QLabel(image);
    picturePreview_->setObjectName(QStringLiteral("itemPicturePreview"));
    picturePreview_->setFixedSize(previewBox() + QSize(4, 4));
    picturePreview_->setAlignment(Qt::AlignCenter);
    picturePreview_->setFrameShape(QFrame::StyledPanel);
    pictureNote_ = new QLabel(image);
    pictureNote_->setObjectName(QStringLiteral("pictureNote"));
    imageGrid->addWidget(picturePreview_, 0, 0, 2, 1, Qt::AlignLeft | Qt::AlignTop);
    imageGrid->addWidget(originalImagePathEdit, 0, 1, Qt::AlignTop);
    imageGrid->addWidget(browseImageButton, 0, 2, Qt::AlignTop);
    imageGrid->addWidget(pictureNote_, 1, 1, 1, 2, Qt::AlignTop);
    imageGrid->setColumnStretch(1, 1);
    QToolButton* imageHelp = addHelp(image, HelpTopic::OriginalImagePath, imageGrid, 0);
    layout->addWidget(image);

    QGroupBox* link = group("GroupBox7", QStringLiteral("Link"));
    auto* linkGrid = new QGridLayout(link);
    linkList =
        editableList("cmbx_ILink",
                     {QStringLiteral("http://"), QStringLiteral("mailto://"), QStringLiteral("javascript:"),
                      QStringLiteral("ftp://"), QStringLiteral("news://")},
                     link);
    browseLinkButton = browseButton("spdbtnItURL", QStringLiteral("Link to a local HTML file"), link);
    targetList = editableList("cmbx_ITarget",
                              {QStringLiteral("_self"), QStringLiteral("_blank"), QStringLiteral("_parent"),
                               QStringLiteral("_top"), QStringLiteral("_search"), QStringLiteral("_media")},
                              link);
    linkGrid->addWidget(pages::fieldLabel(QStringLiteral("URL"), link), 0, 0);
    linkGrid->addWidget(linkList, 0, 1);
    linkGrid->addWidget(browseLinkButton, 0, 2);
    linkGrid->addWidget(pages::fieldLabel(QStringLiteral("Target"), link), 1, 0);
    linkGrid->addWidget(targetList, 1, 1);
    QToolButton* linkHelp = addHelp(link, HelpTopic::Link, linkGrid, 1);
    linkGrid->setColumnStretch(1, 1);
    layout->addWidget(link);

    QGroupBox* tip = group("grpbxTooltip", QStringLiteral("Tooltip"));
    auto* tipGrid = new QGridLayout(tip);
    toolTipEdit = new QLineEdit(tip);
    toolTipEdit->setObjectName(QStringLiteral("edt_IToolTip"));
    pages::bindText(toolTipEdit);
    tipGrid->addWidget(toolTipEdit, 0, 0);
    QToolButton* tipHelp = addHelp(tip, HelpTopic::ToolTip, tipGrid, 0);
    layout->addWidget(tip);
    layout->addStretch(1);

    // Tab follows the reading order: along each group, its help button last.
    QWidget* order[] = {originalImagePathEdit,
                        browseImageButton,
                        imageHelp,
                        linkList,
                        browseLinkButton,
                        targetList,
                        linkHelp,
                        toolTipEdit,
                        tipHelp};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    // A picture path the user types or picks is an unsaved change: once the
    // project was saved with this item shown, nothing else would enable Save
    // or ask about it on closing. The program's own loads do not count.
    connect(originalImagePathEdit, &QLineEdit::textEdited, this, &ItemPage::modified);
    connect(linkList, &QComboBox::editTextChanged, this, &ItemPage::modified);
    connect(targetList, &QComboBox::editTextChanged, this, &ItemPage::modified);
    connect(toolTipEdit, &QLineEdit::textChanged, this, &ItemPage::modified);
    connect(browseImageButton, &QToolButton::clicked, this, &ItemPage::pickImage);
    connect(originalImagePathEdit, &QLineEdit::textChanged, this, &ItemPage::showPreview);
    auto typed = [this] { emit editFinished(true); };
    auto picked = [this] { emit editFinished(false); };
    connect(originalImagePathEdit, &QLineEdit::editingFinished, this, typed);
    connect(toolTipEdit, &QLineEdit::editingFinished, this, typed);
    for (QComboBox* list : {linkList, targetList}) {
        connect(list->lineEdit(), &QLineEdit::editingFinished, this, typed);
        connect(list, &QComboBox::activated, this, picked);
    }
    connect(browseLinkButton, &QToolButton::clicked, this, &ItemPage::pickLink);

    auto* check = new SeparatorCheck(prompter, this);
    check->watch(originalImagePathEdit);
    check->watch(linkList);
    check->watch(targetList);
    check->watch(toolTipEdit);
}

QGroupBox* ItemPage::group(const char* name, const QString& title) {
    auto* box = new QGroupBox(title, this);
    box->setObjectName(QLatin1String(name));
    return box;
}

QToolButton* ItemPage::browseButton(const char* name, const QString& hint, QWidget* parent) {
    auto* button = new PageButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QStringLiteral("..."));
    button->setProperty("hint", hint);
    return button;
}

// The help button sits at the right end of the given row of a group box.
QToolButton* ItemPage::addHelp(QWidget* box, HelpTopic topic, QGridLayout* grid, int row) {
    QToolButton* help = pages::helpButton(topic, box);
    grid->addWidget(help, row, 3, Qt::AlignRight);
    connect(help, &QToolButton::clicked, this,
            [this, topic] { emit helpRequested(static_cast<int>(topic)); });
    return help;
}

QSize ItemPage::previewBox() {
    return {120, 90};
}

void ItemPage::setPictures(PictureThumbnails* pictures) {
    pictures_ = pictures;
    if (pictures_)
        connect(pictures_, &PictureThumbnails::ready, this, [this](const QString& file) {
            if (file == shownPictureFile()) showPreview();
        });
    showPreview();
}

QString ItemPage::shownPictureFile() const {
    const QString shown = originalImagePathEdit->text().trimmed();
    if (shown.isEmpty()) return {};
    const std::filesystem::path project = projectFolder_ ? projectFolder_() : std::filesystem::path();
    return QFileInfo(toQt(SourceImagePath(fromQt(shown), project).string())).absoluteFilePath();
}

void ItemPage::showPreview() {
    const QString file = shownPictureFile();
    PictureThumbnails::Picture picture;
    if (pictures_ && !file.isEmpty()) picture = pictures_->picture(file, previewBox());
    if (picture.ready && !picture.failed)
        picturePreview_->setPixmap(QPixmap::fromImage(picture.image));
    else
        picturePreview_->clear();
    QString note;
    if (file.isEmpty())
        note = QStringLiteral("No picture chosen");
    else if (!QFileInfo(file).isFile())
        note = QStringLiteral("The picture is not found");
    else if (picture.failed)
        note = QStringLiteral("No readable JPEG picture");
    pictureNote_->setText(note);
}

namespace {
const QString kSeveralValues = QStringLiteral("(several values)");

void showShared(QLineEdit* edit, bool differs) {
    edit->setPlaceholderText(differs ? kSeveralValues : QString());
}
}  // namespace

void ItemPage::load(const SliderItem& item) {
    if (several_) {
        several_ = false;
        differing_ = {};
        for (QLineEdit* edit : {linkList->lineEdit(), targetList->lineEdit(), toolTipEdit})
            showShared(edit, false);
        originalImagePathEdit->setEnabled(true);
        browseImageButton->setEnabled(true);
    }
    showImagePath(item.OriginalImagePath);
    linkList->setEditText(toQt(Trim(item.Link)));
    targetList->setEditText(toQt(Trim(item.Target)));
    toolTipEdit->setText(toQt(Trim(item.ToolTip)));
}

void ItemPage::loadShared(const SliderItem& shared, SharedFields differing) {
    several_ = true;
    differing_ = differing;
    showImagePath({});
    originalImagePathEdit->setEnabled(false);
    browseImageButton->setEnabled(false);
    linkList->setEditText(differing.link ? QString() : toQt(Trim(shared.Link)));
    targetList->setEditText(differing.target ? QString() : toQt(Trim(shared.Target)));
    toolTipEdit->setText(differing.toolTip ? QString() : toQt(Trim(shared.ToolTip)));
    showShared(linkList->lineEdit(), differing.link);
    showShared(targetList->lineEdit(), differing.target);
    showShared(toolTipEdit, differing.toolTip);
}

ItemPage::SharedFields ItemPage::sharedFieldsSet() const {
    // An empty differing field is one the user left alone: storing its
    // emptiness would wipe every item's own value.
    return {!differing_.link || !linkList->currentText().trimmed().isEmpty(),
            !differing_.target || !targetList->currentText().trimmed().isEmpty(),
            !differing_.toolTip || !toolTipEdit->text().trimmed().isEmpty()};
}

void ItemPage::showImagePath(const std::string& path) {
    originalImagePathEdit->setText(toQt(Trim(path)));
}

SliderItem ItemPage::commit() const {
    SliderItem item;
    item.OriginalImagePath = pages::trimmed(originalImagePathEdit->text());
    item.Link = pages::trimmed(linkList->currentText());
    item.Target = pages::trimmed(targetList->currentText());
    item.ToolTip = pages::trimmed(toolTipEdit->text());
    return item;
}

QString ItemPage::fileUrl(const QString& path) {
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    const bool windowsPath = path.contains(QLatin1Char('\\')) || drive.match(path).hasMatch();
    const bool posixPath = !windowsPath && path.startsWith(QLatin1Char('/'));
    return PathToFileUrl(path, posixPath ? PathStyle::Posix : PathStyle::Windows);
}

// A cancelled dialog leaves the path as it was and changes nothing.
void ItemPage::pickImage() {
    const QString current = originalImagePathEdit->text().trimmed();
    const std::filesystem::path project = projectFolder_ ? projectFolder_() : std::filesystem::path();
    const QString folder =
        current.isEmpty()
            ? QString()
            : QFileInfo(toQt(SourceImagePath(fromQt(current), project).string())).absolutePath();
    const QString chosen = prompter_.openPicture(window(), kPictureFilter, folder);
    if (chosen.isEmpty()) return;
    originalImagePathEdit->setText(chosen);
    emit modified();
    emit pictureChosen();
    emit editFinished(false);
}

void ItemPage::pickLink() {
    if (LinkTipDialog::shouldShow(settings_)) {
        LinkTipDialog tip(settings_, prompter_, window());
        tip.exec();
    }
    const QString chosen = prompter_.openFile(window(), QStringLiteral("Open"), kLinkFilter);
    if (chosen.isEmpty()) return;
    linkList->setEditText(fileUrl(chosen));
    emit modified();
    emit editFinished(false);
}

}  // namespace marivel
