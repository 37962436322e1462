#include "editor/spin_edit.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

#include "model/error.h"
#include "model/field_codec.h"

namespace marivel {

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAccelerated(true);
    lineEdit()->setText(QStringLiteral("0"));
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::textChanged);
    lineEdit()->installEventFilter(this);
}

int SpinEdit::parse(const QString& text, bool* ok) {
    try {
        const int v = StrToInt(text.toStdString());
        *ok = true;
        return v;
    } catch (const Error&) {
        *ok = false;
        return kMinimum;
    }
}

int SpinEdit::clamp(int value) {
    return std::clamp(value, kMinimum, kMaximum);
}

int SpinEdit::value() const {
    bool ok = false;
    return clamp(parse(lineEdit()->text(), &ok));
}

void SpinEdit::setValue(int value) {
    const QString text = QString::number(clamp(value));
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

// Any text is acceptable while typing: the range is enforced on leaving.
QValidator::State SpinEdit::validate(QString&, int&) const {
    return QValidator::Acceptable;
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    // Only an out-of-range number is corrected; a text that is no number stays
    // as typed (it still reads as the minimum) so the user sees their input.
    bool ok = false;
    const int typed = parse(lineEdit()->text(), &ok);
    if (ok && typed != clamp(typed)) setValue(typed);
    QAbstractSpinBox::focusOutEvent(event);
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
    const int w = fontMetrics().horizontalAdvance(QStringLiteral("-99999")) + 4;
    const int h = lineEdit()->sizeHint().height();
    QStyleOptionSpinBox opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, QSize(w, h), this);
}

QSize SpinEdit::minimumSizeHint() const {
    return sizeHint();
}

}  // namespace marivel
