#pragma once

#include <QAbstractSpinBox>

namespace marivel {

// An integer edit with arrow buttons.
//
// QSpinBox refuses keystrokes that would leave its text out of range or
// empty, so a user could never empty the box or overshoot and be corrected.
// Here any text shaped like a number (blanks, an optional sign, digits,
// blanks) can be typed, including the empty text and a lone sign on the way
// to a number; anything else is refused and the box keeps its text. value()
// reads the number brought into the range; a text without digits reads as
// the minimum. When the user leaves the box (focus or Enter) it shows the
// number value() reads, so what a commit stores is what the user saw.
class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    static constexpr int kMinimum = -9999;
    static constexpr int kMaximum = 9999;

    explicit SpinEdit(QWidget* parent = nullptr);

    // The text read as a number and brought into the range. Clamping here
    // too means a value committed before the focus leaves never escapes
    // the range.
    int value() const;
    // Shows value brought into the range.
    void setValue(int value);
    // Shows the number the text reads as, as leaving the box does.
    void settle();

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
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text as a number in the range; a text that is no number, or has
    // no digits yet, reads as the minimum.
    static int read(QStringView text);
};

}  // namespace marivel
