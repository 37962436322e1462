#include "editor/page_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <limits>

#include "model/field_codec.h"
#include "platform/local_text.h"

namespace marivel {

namespace {

bool isEnter(const QKeyEvent* event) {
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !(event->modifiers() & ~Qt::KeypadModifier);
}

// Clicks the button it watches on Return and Enter.
class EnterClicks : public QObject {
public:
    explicit EnterClicks(QAbstractButton* button) : QObject(button), button_(button) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == button_ && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (isEnter(key)) {
                if (!key->isAutoRepeat()) button_->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractButton* button_;
};

// The column of a page's group boxes: it follows the page's width up to a
// readable line length, measured in the page's own font, but never below
// what its groups need to show every control whole.
class Column : public QWidget {
public:
    explicit Column(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("pnlColumn")); }

protected:
    bool event(QEvent* event) override {
        switch (event->type()) {
            case QEvent::LayoutRequest:
            case QEvent::FontChange:
            case QEvent::Polish:
                refit();
                break;
            default:
                break;
        }
        return QWidget::event(event);
    }

private:
    void refit() {
        int widest = fontMetrics().averageCharWidth() * 80;
        if (layout()) widest = std::max(widest, layout()->minimumSize().width());
        if (widest != maximumWidth()) setMaximumWidth(widest);
    }
};

}  // namespace

PageButton::PageButton(QWidget* parent) : QToolButton(parent) {
    // Tab reaches it; a mouse click leaves the focus where the user typed.
    setFocusPolicy(Qt::TabFocus);
    pages::clickOnEnter(this);
}

// The style draws a flat button's focus, if at all, as a faint frame over
// its picture; this one is drawn around the picture where it shows.
void PageButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    pages::drawFocusFrame(painter, rect().adjusted(1, 1, -1, -1));
}

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

QString helpButtonName(int topic) {
    // The names are fixed by the window layout; the tag, not the name, picks the page.
    static const int numbers[] = {1, 12, 11, 10, 5, 6, 28, 13, 24, 19};
    if (topic < 1 || topic > int(std::size(numbers))) return QString();
    return QStringLiteral("SpeedButton%1").arg(numbers[topic - 1]);
}

QToolButton* helpButton(HelpTopic topic, QWidget* parent) {
    auto* button = new PageButton(parent);
    button->setObjectName(helpButtonName(static_cast<int>(topic)));
    button->setProperty("tag", static_cast<int>(topic));
    button->setIcon(bookIcon());
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFixedSize(22, 22);
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

void bindText(QLineEdit* edit) {
    edit->setMaxLength(std::numeric_limits<int>::max());
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) return;
        // The cursor stays after what was pasted: a CR LF pair before it
        // becomes one blank, so it moves back by one for each pair.
        const int cursor = edit->cursorPosition();
        QString before = text.left(cursor);
        QString after = text.mid(cursor);
        for (QString* part : {&before, &after}) {
            part->replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            part->replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        edit->setText(before + after);
        edit->setCursorPosition(int(before.size()));
    });
}

void bindText(QComboBox* editableList) {
    if (QLineEdit* edit = editableList->lineEdit()) bindText(edit);
}

void clickOnEnter(QAbstractButton* button) {
    button->installEventFilter(new EnterClicks(button));
}

void drawFocusFrame(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    const QRect frame = rect.adjusted(0, 0, -1, -1);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(frame);
    painter.restore();
}

void narrowSideMargins(QLayout* layout) {
    QMargins margins = layout->contentsMargins();
    margins.setLeft(std::min(margins.left(), 6));
    margins.setRight(std::min(margins.right(), 6));
    layout->setContentsMargins(margins);
}

QVBoxLayout* column(QWidget* page) {
    auto* outer = new QHBoxLayout(page);
    narrowSideMargins(outer);
    auto* content = new Column(page);
    outer->addWidget(content, 1);
    outer->addStretch(0);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

}  // namespace pages

}  // namespace marivel
