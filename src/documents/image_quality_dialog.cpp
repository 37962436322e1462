#include "documents/image_quality_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "documents/dialog_placement.h"
#include "platform/settings_store.h"

namespace marivel {

ImageQuality LoadImageQuality(const SettingsStore& settings) {
    ImageQuality quality;
    if (const auto mode = ResizeModeFromNumber(quality_settings::kResizeMode.read(settings)))
        quality.resize = *mode;
    if (const auto density = DensityFromNumber(quality_settings::kDensity.read(settings)))
        quality.density = *density;
    return quality;
}

bool StoreImageQuality(SettingsStore& settings, const ImageQuality& quality) {
    return quality_settings::kResizeMode.write(settings, static_cast<qint32>(quality.resize)) &&
           quality_settings::kDensity.write(settings, static_cast<qint32>(quality.density));
}

ImageQualityDialog::ImageQualityDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), settings_(settings) {
    setObjectName(QStringLiteral("formImageQuality"));
    setWindowTitle(QStringLiteral("Image Quality"));
    setModal(true);
    buildLayout();
    const ImageQuality stored = LoadImageQuality(settings_);
    (stored.resize == ResizeMode::Smooth ? smoothButton_ : exactButton_)->setChecked(true);
    (stored.density == Density::Double ? doubleButton_ : singleButton_)->setChecked(true);
    setFixedSize(sizeHint().expandedTo(QSize(393, 0)));
    CentreOnScreen(*this);
}

namespace {

QRadioButton* makeRadioButton(const QString& caption, const char* name, QWidget* parent,
                              QButtonGroup* group) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    group->addButton(button);
    return button;
}

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setIndent(20);
    return label;
}

}  // namespace

void ImageQualityDialog::buildLayout() {
    auto* resizing = new QGroupBox(QStringLiteral("Resizing"), this);
    resizing->setObjectName(QStringLiteral("grpbxResizing"));
    auto* resizeGroup = new QButtonGroup(this);
    exactButton_ = makeRadioButton(QStringLiteral("Exact pixels (nearest neighbour)"), "rdbtnResizeExact",
                                   resizing, resizeGroup);
    smoothButton_ = makeRadioButton(QStringLiteral("Smooth (best for photos)"), "rdbtnResizeSmooth", resizing,
                                    resizeGroup);
    auto* resizeColumn = new QVBoxLayout(resizing);
    resizeColumn->addWidget(exactButton_);
    resizeColumn->addWidget(
        Note(QStringLiteral("Keeps every pixel crisp; fine lines in photos can break up."), resizing));
    resizeColumn->addWidget(smoothButton_);
    resizeColumn->addWidget(
        Note(QStringLiteral("Filters the picture as it shrinks: no jagged lines or shimmer."), resizing));

    auto* density = new QGroupBox(QStringLiteral("Density"), this);
    density->setObjectName(QStringLiteral("grpbxDensity"));
    auto* densityGroup = new QButtonGroup(this);
    singleButton_ = makeRadioButton(QStringLiteral("1x"), "rdbtnDensitySingle", density, densityGroup);
    doubleButton_ = makeRadioButton(QStringLiteral("1x and 2x for high-density screens"),
                                    "rdbtnDensityDouble", density, densityGroup);
    auto* densityColumn = new QVBoxLayout(density);
    densityColumn->addWidget(singleButton_);
    densityColumn->addWidget(doubleButton_);
    densityColumn->addWidget(
        Note(QStringLiteral("Adds sliderN@2x.jpg at twice the size where the original is large enough."),
             density));

    okButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    cancelButton_ =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this);
    okButton_->setObjectName(QStringLiteral("bitbtnOk"));
    cancelButton_->setObjectName(QStringLiteral("bitbtnCancel"));
    okButton_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(resizing);
    column->addWidget(density);
    column->addLayout(buttons);

    connect(okButton_, &QPushButton::clicked, this, &ImageQualityDialog::storeAndClose);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

ImageQuality ImageQualityDialog::chosen() const {
    return {smoothButton_->isChecked() ? ResizeMode::Smooth : ResizeMode::Exact,
            doubleButton_->isChecked() ? Density::Double : Density::Single};
}

// A store that refuses the write loses only the convenience of the choice
// being remembered; this run still uses it.
void ImageQualityDialog::storeAndClose() {
    StoreImageQuality(settings_, chosen());
    accept();
}

}  // namespace marivel
