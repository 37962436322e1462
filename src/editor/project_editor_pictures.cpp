// Pictures in the editor: Insert Pictures and files dropped from a file
// manager (both through insertPictures), the items' thumbnails and tooltips.
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/icon_set.h"
#include "editor/item_decorations.h"
#include "editor/item_page.h"
#include "editor/main_actions.h"
#include "editor/picture_files.h"
#include "editor/picture_thumbnails.h"
#include "editor/project_editor.h"
#include "editor/script_page.h"
#include "editor/status_line.h"
#include "model/error.h"
#include "model/field_codec.h"
#include "output/jpeg_prepare.h"
#include "output/jpeg_probe.h"
#include "output/source_images.h"
#include "platform/local_text.h"
#include "platform/prompter.h"
#include "platform/typed_settings.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

const QString kPictureFilter = QStringLiteral("All Image Files (*.jpg *.jpeg)");
constexpr const char* kMissingCaption = "Warning: Original image not found.";
constexpr const char* kItemCaption = "Item";

// A picture inside the project's folder is named relative to it, so the
// folder can move whole; any other picture, and every picture of a project
// never saved, by its full path.
std::string PicturePathFor(const QString& file, const fs::path& projectFolder) {
    if (!projectFolder.empty()) {
        const QString relative = QDir(toQt(projectFolder.string())).relativeFilePath(file);
        if (!relative.isEmpty() && !QDir::isAbsolutePath(relative) &&
            !relative.startsWith(QLatin1String("../")) && relative != QLatin1String(".."))
            return fromQt(relative);
    }
    return fromQt(file);
}

}  // namespace

void ProjectEditor::installPictures() {
    pictures_ = new PictureThumbnails(this);
    decorations_ = new ItemDecorations(*w_.tree, *pictures_, icons::itemNode(),
                                       [this](QTreeWidgetItem* node) { return pictureFileOf(node); });
    w_.itemPage->setPictures(pictures_);
    const bool shown = ReadSetting(settings_, kShowThumbnailsSetting);
    w_.actions->thumbnailsMenuItem->setChecked(shown);
    decorations_->setEnabled(shown);
    const bool names = ReadSetting(settings_, kShowFileNamesSetting);
    w_.actions->fileNamesAction->setChecked(names);
    decorations_->setNamesShown(names);

    MainActions& a = *w_.actions;
    connect(a.fileNamesAction, &QAction::triggered, this, &ProjectEditor::showFileNames);
    connect(a.insertPicturesAction, &QAction::triggered, this,
            [this] { run([this] { insertPicturesWithDialog(); }); });
    connect(a.thumbnailsMenuItem, &QAction::triggered, this, &ProjectEditor::showThumbnails);
    connect(w_.tree, &DesignTreeWidget::filesDropped, this,
            [this](const QList<QUrl>& urls, QTreeWidgetItem* parent, int row) {
                const int parentIndex = indexOf(parent);
                whenIdle([this, urls, parentIndex, row] {
                    if (QTreeWidgetItem* node = designTree_.item(parentIndex))
                        run([&] { dropFilesOnTree(urls, node, row); });
                });
            });
    connect(w_.itemPage, &ItemPage::pictureChosen, this, &ProjectEditor::pictureChosen);
}

// --- Insert Pictures and drops ----------------------------------------------------

// A drop is taken up once the drop itself has ended (the file manager waits
// for it), and once no operation is under way: one that keeps the window
// painting lets timers run, and the drop then waits its turn.
void ProjectEditor::whenIdle(std::function<void()> step, int delay) {
    QTimer::singleShot(delay, this, [this, step = std::move(step)]() mutable {
        if (w_.statusLine->keepingAlive())
            whenIdle(std::move(step), 50);
        else
            step();
    });
}

void ProjectEditor::insertPicturesWithDialog() {
    const int selected = selectedIndex();
    if (selected < 0) return;
    const QStringList files =
        prompter_.openPictures(w_.window, kPictureFilter, ReadSetting(settings_, kPicturesFolderSetting));
    if (files.isEmpty()) return;
    WriteSetting(settings_, kPicturesFolderSetting, QFileInfo(files.first()).absolutePath());
    EditStep step(*this, QStringLiteral("Insert Pictures"));
    insertPictures(selected, -1, files);
}

int ProjectEditor::insertPictures(int parentIndex, int row, const QStringList& given) {
    if (given.isEmpty() || !designTree_.item(parentIndex)) return 0;
    QStringList files = given;
    SortByNaturalName(files);
    std::vector<fs::path> paths;
    paths.reserve(size_t(files.size()));
    for (const QString& file : files) paths.push_back(toLocalPath(file));

    // Only the headers are read, on another thread, while the window
    // repaints and the progress bar moves; the user's input waits.
    std::vector<HeaderRead> headers;
    {
        ActivityScope activity(*w_.statusLine, "Reading Pictures ... ...", true);
        w_.statusLine->setProgressMaximum(int(files.size()));
        std::size_t shown = 0;
        headers = ReadJpegHeaders(paths, [&](std::size_t done) {
            w_.statusLine->advanceProgress(int(done - shown));
            shown = done;
            w_.statusLine->keepAlive();
        });
    }

    QStringList refused;
    std::vector<SliderItem> records;
    const int width = w_.scriptPage->shownWidth();
    for (qsizetype k = 0; k < files.size(); ++k) {
        const HeaderRead& read = headers[size_t(k)];
        if (!read.header) {
            refused << QFileInfo(files[k]).fileName();
            continue;
        }
        SliderItem record = DocumentAgent::MakeNewItem();
        record.OriginalImagePath =
            PicturePathFor(QFileInfo(files[k]).absoluteFilePath(), agent_.ProjectFolder);
        // The size the next generation gives it; a width it cannot scale to
        // leaves Insert's defaults (the generation then refuses the width).
        if (width > 0) {
            try {
                const ScaledSize size = ComputeScaledSize(read.header->width, read.header->height, width);
                record.ImageWidth = std::to_string(size.width);
                record.ImageHeight = std::to_string(size.height);
            } catch (const Error&) {
            }
        }
        records.push_back(std::move(record));
    }

    if (!records.empty()) {
        int first;
        {
            StructuralEdit edit(*this);
            first = designTree_.insertChildren(parentIndex, row,
                                               std::vector<std::string>(records.size(), kItemCaption));
            designTree_.item(parentIndex)->setExpanded(true);
        }
        const std::string level = std::to_string(designTree_.depth(parentIndex));
        for (size_t k = 0; k < records.size(); ++k) {
            records[k].Level = level;
            agent_.InsertItem(first - 1 + int(k), records[k]);
        }
        for (size_t k = 0; k < records.size(); ++k) decorations_->refresh(designTree_.item(first + int(k)));
        w_.tree->scrollToItem(designTree_.item(first + int(records.size()) - 1));
        updateItemCommands();
    }
    if (!refused.isEmpty()) prompter_.error(w_.window, NotAddedMessage(refused));
    return int(records.size());
}

void ProjectEditor::dropFilesOnTree(const QList<QUrl>& urls, QTreeWidgetItem* parent, int row) {
    const DroppedFiles dropped = SortOutDrop(urls);
    if (!dropped.project.isEmpty()) {
        emit projectDropped(dropped.project);
        return;
    }
    const int parentIndex = indexOf(parent);
    if (parentIndex < 0 || dropped.pictures.isEmpty()) return;
    EditStep step(*this, QStringLiteral("Drop Pictures"));
    insertPictures(parentIndex, row, dropped.pictures);
}

// --- thumbnails, captions and tooltips ---------------------------------------------------

void ProjectEditor::showThumbnails(bool shown) {
    w_.actions->thumbnailsMenuItem->setChecked(shown);
    decorations_->setEnabled(shown);
    WriteSetting(settings_, kShowThumbnailsSetting, shown);
}

void ProjectEditor::showFileNames(bool shown) {
    w_.actions->fileNamesAction->setChecked(shown);
    decorations_->setNamesShown(shown);
    WriteSetting(settings_, kShowFileNamesSetting, shown);
}

void ProjectEditor::refreshItemDecorations() {
    decorations_->refreshAll();
}

QString ProjectEditor::pictureFileOf(QTreeWidgetItem* node) const {
    const int index = indexOf(node);
    if (index <= 0 || index > int(agent_.Items.size())) return {};
    if (node == currentItemNode_) return w_.itemPage->shownPictureFile();
    const fs::path file =
        SourceImagePath(agent_.Items[size_t(index - 1)].OriginalImagePath, agent_.ProjectFolder);
    return file.empty() ? QString() : QFileInfo(toQt(file.string())).absoluteFilePath();
}

// A picture chosen with "..." shows at once: the node loses the warning
// caption when the file is there, and takes the new thumbnail.
void ProjectEditor::pictureChosen() {
    if (!currentItemNode_) return;
    if (fromQt(currentItemNode_->text(0)) == kMissingCaption &&
        QFileInfo(pictureFileOf(currentItemNode_)).isFile())
        currentItemNode_->setText(0, QString::fromLatin1(kItemCaption));
    decorations_->refresh(currentItemNode_);
}

QString ProjectEditor::itemToolTip(QTreeWidgetItem* node) const {
    const int index = indexOf(node);
    if (index <= 0 || index > int(agent_.Items.size())) return {};
    const SliderItem item = node == currentItemNode_ ? w_.itemPage->commit() : agent_.GetItem(index - 1);
    auto orNone = [](const std::string& text) {
        return text.empty() ? QStringLiteral("(none)") : toQt(Trim(text));
    };
    QString size = QStringLiteral("unknown: the picture is missing or no readable JPEG");
    const QString file = pictureFileOf(node);
    if (!file.isEmpty()) {
        try {
            const JpegHeader header = ReadJpegHeader(toLocalPath(file));
            const ScaledSize scaled =
                ComputeScaledSize(header.width, header.height, w_.scriptPage->shownWidth());
            size = QStringLiteral("%1 x %2 (from %3 x %4)")
                       .arg(scaled.width)
                       .arg(scaled.height)
                       .arg(header.width)
                       .arg(header.height);
        } catch (const Error&) {
        }
    }
    QString link = orNone(item.Link);
    if (!Trim(item.Link).empty() && !Trim(item.Target).empty())
        link += QStringLiteral(" (%1)").arg(toQt(Trim(item.Target)));
    return QStringLiteral("Picture: %1\nPrepared size: %2\nLink: %3\nTooltip: %4")
        .arg(orNone(item.OriginalImagePath), size, link, orNone(item.ToolTip));
}

}  // namespace marivel
