#include "editor/item_decorations.h"

#include <QPixmap>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "editor/picture_thumbnails.h"

namespace marivel {

namespace {
// The photo a node shows is kept on the node itself.
constexpr int kFileRole = Qt::UserRole + 17;
constexpr int kBatchMilliseconds = 60;
}  // namespace

ItemDecorations::ItemDecorations(QTreeWidget& tree, PictureThumbnails& pictures, QIcon itemIcon,
                                 std::function<QString(QTreeWidgetItem*)> fileOf)
    : QObject(&tree),
      tree_(tree),
      pictures_(pictures),
      itemIcon_(std::move(itemIcon)),
      fileOf_(std::move(fileOf)) {
    batch_.setSingleShot(true);
    batch_.setInterval(kBatchMilliseconds);
    connect(&batch_, &QTimer::timeout, this, &ItemDecorations::applyArrived);
    connect(&pictures_, &PictureThumbnails::ready, this, &ItemDecorations::pictureReady);
    tree_.setIconSize(QSize(kThumbnailSide, kThumbnailSide));
}

void ItemDecorations::setEnabled(bool on) {
    enabled_ = on;
    // Off, the rows are as high as the tree's own 16-pixel pictures need.
    const int side = on ? kThumbnailSide : 16;
    tree_.setIconSize(QSize(side, side));
    refreshAll();
}

QString ItemDecorations::fileShown(const QTreeWidgetItem* node) {
    return node->data(0, kFileRole).toString();
}

void ItemDecorations::refresh(QTreeWidgetItem* node) {
    if (!node || !node->parent()) return;  // the root keeps its picture
    decorate(node, fileOf_(node));
}

void ItemDecorations::refreshAll() {
    if (tree_.topLevelItemCount() == 0) return;
    for (QTreeWidgetItemIterator it(tree_.topLevelItem(0)); *it; ++it) refresh(*it);
}

void ItemDecorations::decorate(QTreeWidgetItem* node, const QString& file) {
    node->setData(0, kFileRole, file);
    QIcon icon = itemIcon_;
    if (enabled_ && !file.isEmpty()) {
        const PictureThumbnails::Picture picture =
            pictures_.picture(file, QSize(kThumbnailSide, kThumbnailSide));
        if (picture.ready && !picture.failed) icon = QIcon(QPixmap::fromImage(picture.image));
    }
    node->setIcon(0, icon);
}

void ItemDecorations::pictureReady(const QString& file) {
    if (!enabled_) return;
    arrived_.insert(file);
    if (!batch_.isActive()) batch_.start();
}

void ItemDecorations::applyArrived() {
    const QSet<QString> arrived = std::exchange(arrived_, {});
    if (tree_.topLevelItemCount() == 0 || !enabled_) return;
    for (QTreeWidgetItemIterator it(tree_.topLevelItem(0)); *it; ++it) {
        QTreeWidgetItem* node = *it;
        if (!node->parent()) continue;
        const QString file = fileShown(node);
        if (arrived.contains(file)) decorate(node, file);
    }
}

}  // namespace marivel
