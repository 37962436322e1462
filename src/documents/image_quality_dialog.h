#pragma once

#include <QDialog>

#include "model/image_quality.h"
#include "platform/typed_setting.h"

class QPushButton;
class QRadioButton;

namespace marivel {

class SettingsStore;

// The stored quality choice, under kSettingsKey (marivel-publish reads the
// same values from the same file).
namespace quality_settings {
inline const IntegerSetting kResizeMode{kSettingsKey, QString::fromLatin1(kResizeModeSetting),
                                        static_cast<qint32>(ResizeMode::Exact)};
inline const IntegerSetting kDensity{kSettingsKey, QString::fromLatin1(kDensitySetting),
                                     static_cast<qint32>(Density::Single)};
}  // namespace quality_settings

// The stored choice; a part that is missing, unreadable or out of range
// keeps its default.
ImageQuality LoadImageQuality(const SettingsStore& settings);
// False when the store failed.
bool StoreImageQuality(SettingsStore& settings, const ImageQuality& quality);

// The Option menu's choice of how the prepared images are resized and
// whether each item also gets a copy for high-density screens. Shows the
// stored choice; OK stores the controls, Cancel stores nothing.
class ImageQualityDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ImageQualityDialog(SettingsStore& settings, QWidget* parent = nullptr);

    // What the controls say now.
    ImageQuality chosen() const;
    void storeAndClose();

private:
    void buildLayout();

    SettingsStore& settings_;
    QRadioButton* exactButton_;
    QRadioButton* smoothButton_;
    QRadioButton* singleButton_;
    QRadioButton* doubleButton_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

}  // namespace marivel
