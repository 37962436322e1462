#include "editor/spin_edit.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

namespace marivel {

namespace {

// A text split as blanks, an optional sign, digits and blanks; `shaped` is
// false for a text of any other form.
struct NumberText {
    bool shaped = false;
    bool negative = false;
    QStringView digits;
};

NumberText split(QStringView text) {
    NumberText n;
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].isSpace()) ++begin;
    while (end > begin && text[end - 1].isSpace()) --end;
    QStringView core = text.mid(begin, end - begin);
    if (!core.isEmpty() && (core[0] == u'-' || core[0] == u'+')) {
        n.negative = core[0] == u'-';
        core = core.mid(1);
    }
    for (const QChar c : core)
        if (c < u'0' || c > u'9') return n;
    n.shaped = true;
    n.digits = core;
    return n;
}

}  // namespace

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAccelerated(true);
    // Wide enough for every number of the range, and no wider however much
    // room the page has.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    lineEdit()->setText(QStringLiteral("0"));
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::textChanged);
    lineEdit()->installEventFilter(this);
}

int SpinEdit::read(QStringView text) {
    const NumberText n = split(text);
    if (!n.shaped || n.digits.isEmpty()) return kMinimum;
    QStringView digits = n.digits;
    while (digits.size() > 1 && digits[0] == u'0') digits = digits.mid(1);
    // Anything longer than the range's digits is beyond it, however long.
    if (digits.size() > 5) return n.negative ? kMinimum : kMaximum;
    const int magnitude = digits.toInt();
    return std::clamp(n.negative ? -magnitude : magnitude, kMinimum, kMaximum);
}

int SpinEdit::value() const {
    return read(lineEdit()->text());
}

void SpinEdit::setValue(int value) {
    const QString text = QString::number(std::clamp(value, kMinimum, kMaximum));
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void SpinEdit::stepBy(int steps) {
    setValue(value() + steps);
    selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    if (isReadOnly()) return StepNone;
    StepEnabled enabled = StepNone;
    const int v = value();
    if (v < kMaximum) enabled |= StepUpEnabled;
    if (v > kMinimum) enabled |= StepDownEnabled;
    return enabled;
}

// A keystroke or paste that would leave the text without the shape of a
// number is refused. The empty text and a lone sign are let through, since
// a user replacing a number passes through them; the range is enforced on
// leaving.
QValidator::State SpinEdit::validate(QString& input, int&) const {
    const NumberText n = split(input);
    if (!n.shaped) return QValidator::Invalid;
    return n.digits.isEmpty() ? QValidator::Intermediate : QValidator::Acceptable;
}

void SpinEdit::settle() {
    setValue(value());
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    settle();
    QAbstractSpinBox::focusOutEvent(event);
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) settle();
    QAbstractSpinBox::keyPressEvent(event);
}

// The inner edit tracks the mouse itself, so moves over the text would never
// reach whoever watches the spin edit (the hint line does): pass them on as
// moves over the spin edit.
bool SpinEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        QMouseEvent forwarded(QEvent::MouseMove, lineEdit()->mapToParent(move->position()),
                              move->globalPosition(), move->button(), move->buttons(), move->modifiers());
        QCoreApplication::sendEvent(this, &forwarded);
    }
    return QAbstractSpinBox::eventFilter(watched, event);
}

QSize SpinEdit::sizeHint() const {
    ensurePolished();
    // The widest number of the range, and a little air.
    const int w = fontMetrics().horizontalAdvance(QStringLiteral("-9999")) + 6;
    const int h = lineEdit()->sizeHint().height();
    QStyleOptionSpinBox opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, QSize(w, h), this);
}

QSize SpinEdit::minimumSizeHint() const {
    return sizeHint();
}

}  // namespace marivel
