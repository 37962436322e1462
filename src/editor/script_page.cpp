#include "editor/script_page.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "editor/color_swatch.h"
#include "editor/page_controls.h"
#include "editor/separator_check.h"
#include "editor/spin_edit.h"
#include "model/field_codec.h"
#include "platform/local_text.h"
#include "platform/prompter.h"

namespace marivel {

namespace {

const QStringList kBorderStyles = {QStringLiteral("none"),         QStringLiteral("dotted"),
                                   QStringLiteral("dashed"),       QStringLiteral("solid"),
                                   QStringLiteral("double"),       QStringLiteral("groove"),
                                   QStringLiteral("ridge"),        QStringLiteral("inset"),
                                   QStringLiteral("window-inset"), QStringLiteral("outset")};

// The model keeps colours as 0x00BBGGRR, red in the lowest byte.
BgrColor toModelColor(const QColor& c) {
    return BgrColor(c.red()) | BgrColor(c.green()) << 8 | BgrColor(c.blue()) << 16;
}
QColor fromModelColor(BgrColor c) {
    return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF));
}

std::string number(int value) {
    return std::to_string(value);
}

// Every group is one row of the same grid columns: a label and a field,
// a second label and field, a third label and a colour swatch, then room
// and the help button. The columns before the room have the same widths in
// every group, so the fields line up down the page.
enum Column { kLabel1, kField1, kLabel2, kField2, kLabel3, kSwatch, kRoom, kHelp, kAligned = kRoom };

}  // namespace

ScriptPage::ScriptPage(Prompter& prompter, SettingsStore& /*settings*/, QWidget* parent)
    : QWidget(parent), prompter_(prompter), separatorCheck_(new SeparatorCheck(prompter, this)) {
    setObjectName(QStringLiteral("tbshtScript"));
    QVBoxLayout* layout = pages::column(this);
    QGridLayout* row = nullptr;

    layout->addWidget(group(QStringLiteral("General"), HelpTopic::General, row));
    row->addWidget(pages::fieldLabel(QStringLiteral("Name"), this), 0, kLabel1);
    sliderNameEdit = new QLineEdit(this);
    sliderNameEdit->setObjectName(QStringLiteral("edt_pSliderName"));
    pages::bindText(sliderNameEdit);
    row->addWidget(sliderNameEdit, 0, kField1, 1, 2);
    row->addWidget(pages::fieldLabel(QStringLiteral("Background Color"), this), 0, kField2, 1, 2,
                   Qt::AlignRight | Qt::AlignVCenter);
    backgroundColorSwatch =
        swatch("pnl_pBgColor", QStringLiteral("Click to choose the background color"), row);

    layout->addWidget(group(QStringLiteral("Size"), HelpTopic::Size, row));
    widthSpin = spin("spnedt_pWidth", QStringLiteral("Width"), row, kLabel1);
    heightSpin = spin("spedt_pHeight", QStringLiteral("Height"), row, kLabel2);

    layout->addWidget(group(QStringLiteral("Scrolling"), HelpTopic::Scrolling, row));
    stepSpin = spin("spnedt_pStep", QStringLiteral("Step"), row, kLabel1);
    delaySpin = spin("spnedt_pDelay", QStringLiteral("Delay"), row, kLabel2);

    layout->addWidget(group(QStringLiteral("Distance"), HelpTopic::Distance, row));
    gapSpin = spin("spnedt_pGap", QStringLiteral("Gap"), row, kLabel1);
    trailerSpaceSpin = spin("spnedt_pTrailerSpace", QStringLiteral("Trailer Space"), row, kLabel2);

    layout->addWidget(group(QStringLiteral("Slider Border"), HelpTopic::SliderBorder, row));
    sliderBorderWidthSpin = spin("spnedt_pContainerBorderWidth", QStringLiteral("Width"), row, kLabel1);
    sliderBorderStyleList = styleList("cmbx_pContainerBorderStyle", row);
    row->addWidget(pages::fieldLabel(QStringLiteral("Color"), this), 0, kLabel3);
    sliderBorderColorSwatch = swatch("pnl_pContainerBorderColor",
                                     QStringLiteral("Click to choose the color of the slider border"), row);

    layout->addWidget(group(QStringLiteral("Image Border"), HelpTopic::ImageBorder, row));
    imageBorderWidthSpin = spin("spnedt_pImageBorderWidth", QStringLiteral("Width"), row, kLabel1);
    imageBorderStyleList = styleList("cmbx_pImageBorderStyle", row);
    row->addWidget(pages::fieldLabel(QStringLiteral("Color"), this), 0, kLabel3);
    imageBorderColorSwatch =
        swatch("pnl_pImageBorderColor", QStringLiteral("Click to choose the color of the image border"), row);
    layout->addStretch(1);

    // Tab follows the reading order: along each group, its help button last.
    QWidget* order[] = {sliderNameEdit,
                        backgroundColorSwatch,
                        helpButtons_[0],
                        widthSpin,
                        heightSpin,
                        helpButtons_[1],
                        stepSpin,
                        delaySpin,
                        helpButtons_[2],
                        gapSpin,
                        trailerSpaceSpin,
                        helpButtons_[3],
                        sliderBorderWidthSpin,
                        sliderBorderStyleList,
                        sliderBorderColorSwatch,
                        helpButtons_[4],
                        imageBorderWidthSpin,
                        imageBorderStyleList,
                        imageBorderColorSwatch,
                        helpButtons_[5]};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    alignColumns();

    connect(sliderNameEdit, &QLineEdit::textChanged, this, &ScriptPage::modified);
    connect(sliderNameEdit, &QLineEdit::editingFinished, this, [this] { emit editFinished(true); });
    separatorCheck_->watch(sliderNameEdit);
}

// A group box holding one row of fields, with its help button at the right end.
QGroupBox* ScriptPage::group(const QString& title, HelpTopic helpTopic, QGridLayout*& row) {
    auto* box = new QGroupBox(title, this);
    box->setObjectName(QStringLiteral("grpbx%1").arg(QString(title).remove(QLatin1Char(' '))));
    row = new QGridLayout(box);
    pages::narrowSideMargins(row);
    row->setColumnStretch(kRoom, 1);
    QToolButton* help = pages::helpButton(helpTopic, box);
    row->addWidget(help, 0, kHelp, Qt::AlignRight | Qt::AlignVCenter);
    connect(help, &QToolButton::clicked, this,
            [this, helpTopic] { emit helpRequested(static_cast<int>(helpTopic)); });
    helpButtons_.push_back(help);
    rows_.push_back(row);
    return box;
}

SpinEdit* ScriptPage::spin(const char* name, const QString& label, QGridLayout* row, int labelColumn) {
    row->addWidget(pages::fieldLabel(label, this), 0, labelColumn);
    auto* edit = new SpinEdit(this);
    edit->setObjectName(QLatin1String(name));
    row->addWidget(edit, 0, labelColumn + 1);
    connect(edit, &SpinEdit::textChanged, this, &ScriptPage::modified);
    connect(edit, &SpinEdit::editingFinished, this, [this] { emit editFinished(true); });
    return edit;
}

ColorSwatch* ScriptPage::swatch(const char* name, const QString& hint, QGridLayout* row) {
    auto* panel = new ColorSwatch(this);
    panel->setObjectName(QLatin1String(name));
    panel->setProperty("hint", hint);
    row->addWidget(panel, 0, kSwatch);
    connect(panel, &ColorSwatch::clicked, this, [this, panel] { pickColor(panel); });
    return panel;
}

QComboBox* ScriptPage::styleList(const char* name, QGridLayout* row) {
    row->addWidget(pages::fieldLabel(QStringLiteral("Style"), this), 0, kLabel2);
    auto* list = new QComboBox(this);
    list->setObjectName(QLatin1String(name));
    list->setEditable(false);
    list->addItems(kBorderStyles);
    row->addWidget(list, 0, kField2);
    // A style the user picks is an unsaved change like any typed value:
    // without it, a project whose only change is a style would close without
    // a question and Save would stay disabled. The program's own loads do
    // not count (activated is the user's signal only).
    connect(list, &QComboBox::activated, this, &ScriptPage::modified);
    connect(list, &QComboBox::activated, this, [this] { emit editFinished(false); });
    return list;
}

// Each cell's width counts in its column; cells that span columns (the name
// and its swatch caption) fit in the columns they span.
void ScriptPage::alignColumns() {
    alignPending_ = false;
    // A list is exactly as wide as its longest entry. Fixing the width also
    // keeps the layout from using a minimum width the list remembers from
    // an earlier font.
    for (QComboBox* list : {sliderBorderStyleList, imageBorderStyleList})
        list->setFixedWidth(list->sizeHint().width());
    int widths[kAligned] = {};
    for (QGridLayout* row : rows_) {
        for (int i = 0; i < row->count(); ++i) {
            int r = 0, column = 0, rowSpan = 0, columnSpan = 0;
            row->getItemPosition(i, &r, &column, &rowSpan, &columnSpan);
            if (columnSpan != 1 || column >= kAligned) continue;
            widths[column] = std::max(widths[column], row->itemAt(i)->sizeHint().width());
        }
    }
    // A grid puts no spacing beside a column that only a spanning cell
    // covers, so the gaps are part of the columns instead: every group then
    // has the same columns, filled or not.
    const int gap = std::max(0, style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this));
    for (QGridLayout* row : rows_) {
        row->setHorizontalSpacing(0);
        for (int column = 0; column < kAligned; ++column)
            row->setColumnMinimumWidth(column, widths[column] + gap);
    }
}

// The fields' widths follow the font; so must the shared columns. The page
// may hear of a new font before its fields have taken it, so the columns are
// measured again once the change has reached them all; the first show
// measures them in the font the page is shown in.
bool ScriptPage::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Polish:
            alignColumns();
            break;
        case QEvent::FontChange:
        case QEvent::StyleChange:
            if (!alignPending_) {
                alignPending_ = true;
                QMetaObject::invokeMethod(this, &ScriptPage::alignColumns, Qt::QueuedConnection);
            }
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

// Cancelling keeps the colour, but the project still counts as changed: the
// user asked to change it.
void ScriptPage::pickColor(ColorSwatch* swatch) {
    const QColor chosen = prompter_.color(window(), swatch->color());
    if (chosen.isValid()) swatch->setColor(chosen);
    emit modified();
    if (chosen.isValid()) emit editFinished(false);
}

void ScriptPage::load(const SliderSettings& slider) {
    auto setStyle = [](QComboBox* list, const std::string& text) {
        const int index = StrToInt(text);
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    sliderNameEdit->setText(toQt(slider.SliderName));
    widthSpin->setValue(StrToInt(slider.Width));
    heightSpin->setValue(StrToInt(slider.Height));
    stepSpin->setValue(StrToInt(slider.Step));
    delaySpin->setValue(StrToInt(slider.Delay));
    gapSpin->setValue(StrToInt(slider.Gap));
    trailerSpaceSpin->setValue(StrToInt(slider.TrailerSpace));
    backgroundColorSwatch->setColor(fromModelColor(HexToColor(slider.BgColor)));
    imageBorderWidthSpin->setValue(StrToInt(slider.ImageBorderWidth));
    setStyle(imageBorderStyleList, slider.ImageBorderStyle);
    imageBorderColorSwatch->setColor(fromModelColor(HexToColor(slider.ImageBorderColor)));
    sliderBorderWidthSpin->setValue(StrToInt(slider.ContainerBorderWidth));
    setStyle(sliderBorderStyleList, slider.ContainerBorderStyle);
    sliderBorderColorSwatch->setColor(fromModelColor(HexToColor(slider.ContainerBorderColor)));
}

void ScriptPage::settleNumbers() {
    for (SpinEdit* edit : findChildren<SpinEdit*>()) edit->settle();
}

void ScriptPage::apply(SliderSettings& slider) const {
    const std::string name = pages::trimmed(sliderNameEdit->text());
    slider.SliderName = name;
    slider.CfgName = name + "cfg";
    slider.DivId = name + "_div";
    slider.Width = number(widthSpin->value());
    slider.Height = number(heightSpin->value());
    slider.Step = number(stepSpin->value());
    slider.Delay = number(delaySpin->value());
    slider.Gap = number(gapSpin->value());
    slider.TrailerSpace = number(trailerSpaceSpin->value());
    slider.BgColor = ColorToHex(toModelColor(backgroundColorSwatch->color()));
    slider.CfgNameCopy = name + "cfg";
    slider.ImageBorderWidth = number(imageBorderWidthSpin->value());
    slider.ImageBorderStyle = number(imageBorderStyleList->currentIndex());
    slider.ImageBorderColor = ColorToHex(toModelColor(imageBorderColorSwatch->color()));
    slider.ContainerBorderWidth = number(sliderBorderWidthSpin->value());
    slider.ContainerBorderStyle = number(sliderBorderStyleList->currentIndex());
    slider.ContainerBorderColor = ColorToHex(toModelColor(sliderBorderColorSwatch->color()));
}

int ScriptPage::shownWidth() const {
    return widthSpin->value();
}

}  // namespace marivel
