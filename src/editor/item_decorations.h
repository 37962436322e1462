#pragma once

#include <QIcon>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace marivel {

class PictureThumbnails;

// The design tree's item icons: with thumbnails on, each item node shows a
// small picture of its photo, and the item picture while the photo is being
// pictured or when it is missing or unreadable; with thumbnails off, every
// item node shows the item picture. Each node remembers which photo it shows,
// so pictures that arrive later land on the nodes that still want them,
// wherever those nodes have moved meanwhile.
class ItemDecorations final : public QObject {
    Q_OBJECT
public:
    // The box thumbnails are fitted into, and the tree's icon size with them.
    static constexpr int kThumbnailSide = 32;

    // fileOf answers the photo (an absolute path) a node's item names, or an
    // empty text for none.
    ItemDecorations(QTreeWidget& tree, PictureThumbnails& pictures, QIcon itemIcon,
                    std::function<QString(QTreeWidgetItem*)> fileOf);

    bool enabled() const { return enabled_; }
    // Turns thumbnails on or off and redecorates every node.
    void setEnabled(bool on);
    // Redecorates an item node after its photo may have changed.
    void refresh(QTreeWidgetItem* node);
    // Every item node (after a project was opened or rebuilt).
    void refreshAll();
    // The photo a node shows or waits for ("" for none).
    static QString fileShown(const QTreeWidgetItem* node);

    // View > File Names: item nodes show their picture's file name after the
    // caption ("Item · img10.jpg"), so one photo among many is found by name.
    bool namesShown() const { return namesShown_; }
    void setNamesShown(bool on);
    // What the tree shows for node: its caption, and the picture's name
    // after it when names are shown. A warning caption (a missing picture)
    // stays as it is: the name would hide the warning.
    QString shownCaption(const QTreeWidgetItem* node) const;
    static QString captionWithName(const QString& caption, const QString& file, bool itemNode, bool names);
    // Puts the pictures that arrived since the last pass on their nodes (a
    // timer does so soon after they arrive).
    void applyArrived();

private:
    void decorate(QTreeWidgetItem* node, const QString& file);
    void pictureReady(const QString& file);

    QTreeWidget& tree_;
    PictureThumbnails& pictures_;
    QIcon itemIcon_;
    std::function<QString(QTreeWidgetItem*)> fileOf_;
    bool enabled_ = true;
    bool namesShown_ = true;
    // Pictures that arrived since the last pass over the tree: they are put
    // on the nodes in batches, one walk of the tree per batch, not per photo.
    QSet<QString> arrived_;
    QTimer batch_;
};

}  // namespace marivel
