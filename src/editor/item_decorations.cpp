#include "editor/item_decorations.h"

#include <QFileInfo>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "editor/picture_thumbnails.h"

namespace marivel {

namespace {
// The photo a node shows is kept on the node itself.
constexpr int kFileRole = Qt::UserRole + 17;
constexpr int kBatchMilliseconds = 60;
// The caption of an item node whose picture is there (or not yet chosen).
constexpr QLatin1String kPlainItemCaption("Item");

// Paints the file name after the caption without storing it in the node:
// the caption stays what the project and the history hold.
class NamedCaptionDelegate final : public QStyledItemDelegate {
public:
    NamedCaptionDelegate(const ItemDecorations& decorations, QObject* parent)
        : QStyledItemDelegate(parent), decorations_(decorations) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = ItemDecorations::captionWithName(option->text, index.data(kFileRole).toString(),
                                                        index.parent().isValid(), decorations_.namesShown());
    }

private:
    const ItemDecorations& decorations_;
};
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
    tree_.setItemDelegate(new NamedCaptionDelegate(*this, this));
}

void ItemDecorations::setNamesShown(bool on) {
    namesShown_ = on;
    // The rows' widths change with the names: the view lays them out anew.
    tree_.doItemsLayout();
    tree_.viewport()->update();
}

QString ItemDecorations::captionWithName(const QString& caption, const QString& file, bool itemNode,
                                         bool names) {
    if (!names || !itemNode || file.isEmpty() || caption != kPlainItemCaption) return caption;
    return caption + QStringLiteral(" \u00B7 ") + QFileInfo(file).fileName();
}

QString ItemDecorations::shownCaption(const QTreeWidgetItem* node) const {
    return captionWithName(node->text(0), fileShown(node), node->parent() != nullptr, namesShown_);
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
