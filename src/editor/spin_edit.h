#pragma once

#include <QAbstractSpinBox>

namespace marivel {

// An integer edit with arrow buttons whose text is free while the user types.
//
// QSpinBox refuses keystrokes that would leave its text out of range or
// empty, so a user could never empty the box or overshoot and be corrected.
// Here the text is what the user typed; value() reads it as a decimal integer
// (anything else reads as the minimum) and the text itself is brought into
// the range when the control loses the focus.
class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    static constexpr int kMinimum = -9999;
    static constexpr int kMaximum = 9999;

    explicit SpinEdit(QWidget* parent = nullptr);

    // The text read as a decimal integer and brought into the range; a text
    // that is no integer reads as the minimum. Clamping here too means a
    // value committed before the focus leaves never escapes the range.
    int value() const;
    // Shows value brought into the range.
    void setValue(int value);

    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Every change of the text, typed or set by the program.
    void textChanged(const QString& text);

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text as a number before clamping; ok tells whether it was one.
    static int parse(const QString& text, bool* ok);
    static int clamp(int value);
};

}  // namespace marivel
