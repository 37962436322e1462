#include "platform/picture_dialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace marivel {

namespace {
constexpr int kPreviewSide = 160;
}

PictureDialog::PictureDialog(QWidget* parent, const QString& filter, const QString& directory, Choice choice)
    : QFileDialog(parent, QStringLiteral("Open"), directory, filter),
      picture_(new QLabel),
      info_(new QLabel) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(choice == Choice::Several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);

    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
    picture_->setObjectName(QStringLiteral("picturePreview"));
    picture_->setFixedSize(kPreviewSide, kPreviewSide);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setFrameShape(QFrame::StyledPanel);
    info_->setAlignment(Qt::AlignCenter);
    column->addWidget(picture_);
    column->addWidget(info_);
    column->addStretch();

    // The non-native dialog lays itself out in a grid; the preview becomes a
    // column at its right spanning all rows.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), -1, 1);
    connect(this, &QFileDialog::currentChanged, this, &PictureDialog::showPreview);
}

void PictureDialog::showPreview(const QString& path) {
    picture_->clear();
    info_->clear();
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid()) reader.setScaledSize(size.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull()) {
        info_->setText(QStringLiteral("(no preview)"));
        return;
    }
    picture_->setPixmap(QPixmap::fromImage(image));
    info_->setText(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
}

QString PictureDialog::chosenFile() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

QString PictureDialog::previewText() const {
    return info_->text();
}

bool PictureDialog::hasPreview() const {
    return !picture_->pixmap().isNull();
}

}  // namespace marivel
