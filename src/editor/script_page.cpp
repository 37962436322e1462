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
TColor toModelColor(const QColor& c) {
    return TColor(c.red()) | TColor(c.green()) << 8 | TColor(c.blue()) << 16;
}
QColor fromModelColor(TColor c) {
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
    edt_pSliderName = new QLineEdit(this);
    edt_pSliderName->setObjectName(QStringLiteral("edt_pSliderName"));
    pages::bindText(edt_pSliderName);
    row->addWidget(edt_pSliderName, 0, kField1, 1, 2);
    row->addWidget(pages::fieldLabel(QStringLiteral("Background Color"), this), 0, kField2, 1, 2,
                   Qt::AlignRight | Qt::AlignVCenter);
    pnl_pBgColor = swatch("pnl_pBgColor", QStringLiteral("Click to choose the background color"), row);

    layout->addWidget(group(QStringLiteral("Size"), HelpTopic::Size, row));
    spnedt_pWidth = spin("spnedt_pWidth", QStringLiteral("Width"), row, kLabel1);
    spedt_pHeight = spin("spedt_pHeight", QStringLiteral("Height"), row, kLabel2);

    layout->addWidget(group(QStringLiteral("Scrolling"), HelpTopic::Scrolling, row));
    spnedt_pStep = spin("spnedt_pStep", QStringLiteral("Step"), row, kLabel1);
    spnedt_pDelay = spin("spnedt_pDelay", QStringLiteral("Delay"), row, kLabel2);

    layout->addWidget(group(QStringLiteral("Distance"), HelpTopic::Distance, row));
    spnedt_pGap = spin("spnedt_pGap", QStringLiteral("Gap"), row, kLabel1);
    spnedt_pTrailerSpace = spin("spnedt_pTrailerSpace", QStringLiteral("Trailer Space"), row, kLabel2);

    layout->addWidget(group(QStringLiteral("Slider Border"), HelpTopic::SliderBorder, row));
    spnedt_pContainerBorderWidth =
        spin("spnedt_pContainerBorderWidth", QStringLiteral("Width"), row, kLabel1);
    cmbx_pContainerBorderStyle = styleList("cmbx_pContainerBorderStyle", row);
    row->addWidget(pages::fieldLabel(QStringLiteral("Color"), this), 0, kLabel3);
    pnl_pContainerBorderColor = swatch("pnl_pContainerBorderColor",
                                       QStringLiteral("Click to choose the color of the slider border"), row);

    layout->addWidget(group(QStringLiteral("Image Border"), HelpTopic::ImageBorder, row));
    spnedt_pImageBorderWidth = spin("spnedt_pImageBorderWidth", QStringLiteral("Width"), row, kLabel1);
    cmbx_pImageBorderStyle = styleList("cmbx_pImageBorderStyle", row);
    row->addWidget(pages::fieldLabel(QStringLiteral("Color"), this), 0, kLabel3);
    pnl_pImageBorderColor =
        swatch("pnl_pImageBorderColor", QStringLiteral("Click to choose the color of the image border"), row);
    layout->addStretch(1);

    // Tab follows the reading order: along each group, its help button last.
    QWidget* order[] = {edt_pSliderName,
                        pnl_pBgColor,
                        helpButtons_[0],
                        spnedt_pWidth,
                        spedt_pHeight,
                        helpButtons_[1],
                        spnedt_pStep,
                        spnedt_pDelay,
                        helpButtons_[2],
                        spnedt_pGap,
                        spnedt_pTrailerSpace,
                        helpButtons_[3],
                        spnedt_pContainerBorderWidth,
                        cmbx_pContainerBorderStyle,
                        pnl_pContainerBorderColor,
                        helpButtons_[4],
                        spnedt_pImageBorderWidth,
                        cmbx_pImageBorderStyle,
                        pnl_pImageBorderColor,
                        helpButtons_[5]};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    alignColumns();

    connect(edt_pSliderName, &QLineEdit::textChanged, this, &ScriptPage::modified);
    connect(edt_pSliderName, &QLineEdit::editingFinished, this, [this] { emit editFinished(true); });
    separatorCheck_->watch(edt_pSliderName);
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
    for (QComboBox* list : {cmbx_pContainerBorderStyle, cmbx_pImageBorderStyle})
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

void ScriptPage::load(const TAppletData& slider) {
    auto setStyle = [](QComboBox* list, const std::string& text) {
        const int index = StrToInt(text);
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    edt_pSliderName->setText(toQt(slider.SliderName));
    spnedt_pWidth->setValue(StrToInt(slider.Width));
    spedt_pHeight->setValue(StrToInt(slider.Height));
    spnedt_pStep->setValue(StrToInt(slider.Step));
    spnedt_pDelay->setValue(StrToInt(slider.Delay));
    spnedt_pGap->setValue(StrToInt(slider.Gap));
    spnedt_pTrailerSpace->setValue(StrToInt(slider.TrailerSpace));
    pnl_pBgColor->setColor(fromModelColor(HexToColor(slider.BgColor)));
    spnedt_pImageBorderWidth->setValue(StrToInt(slider.ImageBorderWidth));
    setStyle(cmbx_pImageBorderStyle, slider.ImageBorderStyle);
    pnl_pImageBorderColor->setColor(fromModelColor(HexToColor(slider.ImageBorderColor)));
    spnedt_pContainerBorderWidth->setValue(StrToInt(slider.ContainerBorderWidth));
    setStyle(cmbx_pContainerBorderStyle, slider.ContainerBorderStyle);
    pnl_pContainerBorderColor->setColor(fromModelColor(HexToColor(slider.ContainerBorderColor)));
}

void ScriptPage::settleNumbers() {
    for (SpinEdit* edit : findChildren<SpinEdit*>()) edit->settle();
}

void ScriptPage::apply(TAppletData& slider) const {
    const std::string name = pages::trimmed(edt_pSliderName->text());
    slider.SliderName = name;
    slider.CfgName = name + "cfg";
    slider.DivId = name + "_div";
    slider.Width = number(spnedt_pWidth->value());
    slider.Height = number(spedt_pHeight->value());
    slider.Step = number(spnedt_pStep->value());
    slider.Delay = number(spnedt_pDelay->value());
    slider.Gap = number(spnedt_pGap->value());
    slider.TrailerSpace = number(spnedt_pTrailerSpace->value());
    slider.BgColor = ColorToHex(toModelColor(pnl_pBgColor->color()));
    slider.CfgNameCopy = name + "cfg";
    slider.ImageBorderWidth = number(spnedt_pImageBorderWidth->value());
    slider.ImageBorderStyle = number(cmbx_pImageBorderStyle->currentIndex());
    slider.ImageBorderColor = ColorToHex(toModelColor(pnl_pImageBorderColor->color()));
    slider.ContainerBorderWidth = number(spnedt_pContainerBorderWidth->value());
    slider.ContainerBorderStyle = number(cmbx_pContainerBorderStyle->currentIndex());
    slider.ContainerBorderColor = ColorToHex(toModelColor(pnl_pContainerBorderColor->color()));
}

int ScriptPage::shownWidth() const {
    return spnedt_pWidth->value();
}

}  // namespace marivel
