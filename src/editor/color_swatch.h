#pragma once

#include <QColor>
#include <QFrame>

namespace marivel {

// A small raised panel whose whole face shows a colour; clicking it asks the
// owner to pick a new one (the swatch itself never opens a dialog). Like a
// button it is reached with Tab, shows a focus frame and takes Space, Return
// and Enter as a click.
class ColorSwatch : public QFrame {
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QColor color_;
    bool pressed_ = false;
    bool spaceDown_ = false;
};

}  // namespace marivel
