#include "editor/script_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/color_swatch.h"
#include "editor/local_text.h"
#include "editor/separator_check.h"
#include "editor/spin_edit.h"
#include "model/field_codec.h"
#include "platform/prompter.h"

namespace marivel {

namespace pages {

QIcon bookIcon() {
    static const QIcon icon = [] {
        QPixmap pix(16, 16);
        pix.fill(Qt::transparent);
        QPainter p(&pix);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(0x1f, 0x3a, 0x7a));
        p.setBrush(QColor(0x3c, 0x6e, 0xc8));
        p.drawRect(2, 1, 11, 13);  // cover
        p.setBrush(Qt::white);
        p.drawRect(3, 12, 10, 2);  // page edges
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(2, 1, 12, 11), Qt::AlignCenter, QStringLiteral("?"));
        return QIcon(pix);
    }();
    return icon;
}

QToolButton* helpButton(int topic, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("spdbtnHelp%1").arg(topic));
    button->setProperty("tag", topic);
    button->setIcon(bookIcon());
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFixedSize(22, 22);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(QStringLiteral("Help"));
    return button;
}

QLabel* fieldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

std::string trimmed(const QString& text) {
    return Trim(fromQt(text));
}

}  // namespace pages

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

}  // namespace

ScriptPage::ScriptPage(Prompter& prompter, SettingsStore& /*settings*/, QWidget* parent)
    : QWidget(parent), prompter_(prompter), separatorCheck_(new SeparatorCheck(prompter, this)) {
    setObjectName(QStringLiteral("tbshtScript"));
    auto* layout = new QVBoxLayout(this);
    QBoxLayout* row = nullptr;

    layout->addWidget(group(QStringLiteral("General"), 1, row));
    row->addWidget(pages::fieldLabel(QStringLiteral("Name"), this));
    edt_pSliderName = new QLineEdit(this);
    edt_pSliderName->setObjectName(QStringLiteral("edt_pSliderName"));
    row->addWidget(edt_pSliderName, 1);
    row->addSpacing(8);
    pnl_pBgColor = swatch("pnl_pBgColor", QStringLiteral("Background Color"),
                          QStringLiteral("Click to choose the background color"), row);

    layout->addWidget(group(QStringLiteral("Size"), 2, row));
    spnedt_pWidth = spin("spnedt_pWidth", QStringLiteral("Width"), row);
    spedt_pHeight = spin("spedt_pHeight", QStringLiteral("Height"), row);

    layout->addWidget(group(QStringLiteral("Scrolling"), 3, row));
    spnedt_pStep = spin("spnedt_pStep", QStringLiteral("Step"), row);
    spnedt_pDelay = spin("spnedt_pDelay", QStringLiteral("Delay"), row);

    layout->addWidget(group(QStringLiteral("Distance"), 4, row));
    spnedt_pGap = spin("spnedt_pGap", QStringLiteral("Gap"), row);
    spnedt_pTrailerSpace = spin("spnedt_pTrailerSpace", QStringLiteral("Trailer Space"), row);

    layout->addWidget(group(QStringLiteral("Slider Border"), 5, row));
    spnedt_pContainerBorderWidth = spin("spnedt_pContainerBorderWidth", QStringLiteral("Width"), row);
    cmbx_pContainerBorderStyle = styleList("cmbx_pContainerBorderStyle", row);
    pnl_pContainerBorderColor = swatch("pnl_pContainerBorderColor", QStringLiteral("Color"),
                                       QStringLiteral("Click to choose the color of the slider border"), row);

    layout->addWidget(group(QStringLiteral("Image Border"), 6, row));
    spnedt_pImageBorderWidth = spin("spnedt_pImageBorderWidth", QStringLiteral("Width"), row);
    cmbx_pImageBorderStyle = styleList("cmbx_pImageBorderStyle", row);
    pnl_pImageBorderColor = swatch("pnl_pImageBorderColor", QStringLiteral("Color"),
                                   QStringLiteral("Click to choose the color of the image border"), row);
    layout->addStretch(1);

    connect(edt_pSliderName, &QLineEdit::textChanged, this, &ScriptPage::modified);
    separatorCheck_->watch(edt_pSliderName);
}

// A group box holding one row of fields, with its help button at the right end.
QGroupBox* ScriptPage::group(const QString& title, int helpTopic, QBoxLayout*& row) {
    auto* box = new QGroupBox(title, this);
    box->setObjectName(QStringLiteral("grpbx%1").arg(QString(title).remove(QLatin1Char(' '))));
    auto* outer = new QHBoxLayout(box);
    row = new QHBoxLayout;
    outer->addLayout(row, 1);
    outer->addStretch(0);
    QToolButton* help = pages::helpButton(helpTopic, box);
    outer->addWidget(help, 0, Qt::AlignRight | Qt::AlignVCenter);
    connect(help, &QToolButton::clicked, this, [this, helpTopic] { emit helpRequested(helpTopic); });
    return box;
}

SpinEdit* ScriptPage::spin(const char* name, const QString& label, QBoxLayout* row) {
    row->addWidget(pages::fieldLabel(label, this));
    auto* edit = new SpinEdit(this);
    edit->setObjectName(QLatin1String(name));
    row->addWidget(edit);
    row->addSpacing(8);
    connect(edit, &SpinEdit::textChanged, this, &ScriptPage::modified);
    return edit;
}

ColorSwatch* ScriptPage::swatch(const char* name, const QString& label, const QString& hint,
                                QBoxLayout* row) {
    row->addWidget(pages::fieldLabel(label, this));
    auto* panel = new ColorSwatch(this);
    panel->setObjectName(QLatin1String(name));
    panel->setProperty("hint", hint);
    row->addWidget(panel);
    connect(panel, &ColorSwatch::clicked, this, [this, panel] { pickColor(panel); });
    return panel;
}

QComboBox* ScriptPage::styleList(const char* name, QBoxLayout* row) {
    row->addWidget(pages::fieldLabel(QStringLiteral("Style"), this));
    auto* list = new QComboBox(this);
    list->setObjectName(QLatin1String(name));
    list->setEditable(false);
    list->addItems(kBorderStyles);
    row->addWidget(list);
    row->addSpacing(8);
    return list;
}

// Cancelling keeps the colour, but the project still counts as changed: the
// user asked to change it.
void ScriptPage::pickColor(ColorSwatch* swatch) {
    const QColor chosen = prompter_.color(window(), swatch->color());
    if (chosen.isValid()) swatch->setColor(chosen);
    emit modified();
}

void ScriptPage::load(const TAppletData& data) {
    auto setStyle = [](QComboBox* list, const std::string& text) {
        const int index = StrToInt(text);
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    edt_pSliderName->setText(toQt(data.SliderName));
    spnedt_pWidth->setValue(StrToInt(data.Width));
    spedt_pHeight->setValue(StrToInt(data.Height));
    spnedt_pStep->setValue(StrToInt(data.Step));
    spnedt_pDelay->setValue(StrToInt(data.Delay));
    spnedt_pGap->setValue(StrToInt(data.Gap));
    spnedt_pTrailerSpace->setValue(StrToInt(data.TrailerSpace));
    pnl_pBgColor->setColor(fromModelColor(HexToColor(data.BgColor)));
    spnedt_pImageBorderWidth->setValue(StrToInt(data.ImageBorderWidth));
    setStyle(cmbx_pImageBorderStyle, data.ImageBorderStyle);
    pnl_pImageBorderColor->setColor(fromModelColor(HexToColor(data.ImageBorderColor)));
    spnedt_pContainerBorderWidth->setValue(StrToInt(data.ContainerBorderWidth));
    setStyle(cmbx_pContainerBorderStyle, data.ContainerBorderStyle);
    pnl_pContainerBorderColor->setColor(fromModelColor(HexToColor(data.ContainerBorderColor)));
}

void ScriptPage::apply(TAppletData& data) const {
    const std::string name = pages::trimmed(edt_pSliderName->text());
    data.SliderName = name;
    data.CfgName = name + "cfg";
    data.DivId = name + "_div";
    data.Width = number(spnedt_pWidth->value());
    data.Height = number(spedt_pHeight->value());
    data.Step = number(spnedt_pStep->value());
    data.Delay = number(spnedt_pDelay->value());
    data.Gap = number(spnedt_pGap->value());
    data.TrailerSpace = number(spnedt_pTrailerSpace->value());
    data.BgColor = ColorToHex(toModelColor(pnl_pBgColor->color()));
    data.CfgNameCopy = name + "cfg";
    data.ImageBorderWidth = number(spnedt_pImageBorderWidth->value());
    data.ImageBorderStyle = number(cmbx_pImageBorderStyle->currentIndex());
    data.ImageBorderColor = ColorToHex(toModelColor(pnl_pImageBorderColor->color()));
    data.ContainerBorderWidth = number(spnedt_pContainerBorderWidth->value());
    data.ContainerBorderStyle = number(cmbx_pContainerBorderStyle->currentIndex());
    data.ContainerBorderColor = ColorToHex(toModelColor(pnl_pContainerBorderColor->color()));
}

}  // namespace marivel
