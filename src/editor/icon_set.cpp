#include "editor/icon_set.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace marivel::icons {

namespace {

using Painter = std::function<void(QPainter&)>;

// Every picture is drawn on a 16 by 16 grid, at any size.
QImage render(const Painter& paint, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    paint(p);
    return image;
}

// The pictures of the window, rendered at two sizes.
QIcon draw(const Painter& paint) {
    QIcon icon;
    for (int side : {16, 32}) icon.addPixmap(QPixmap::fromImage(render(paint, side)));
    return icon;
}

const QColor kInk(0x2f, 0x3b, 0x4c);
const QColor kPaper(0xfa, 0xfa, 0xf7);
const QColor kBlue(0x2f, 0x7d, 0xd1);
const QColor kGreen(0x2e, 0x9e, 0x4f);
const QColor kRed(0xd6, 0x3b, 0x3b);
const QColor kAmber(0xe8, 0xa8, 0x2a);

QPen ink(qreal width = 1.2) {
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void sheet(QPainter& p) {
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(ink());
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
}

void badge(QPainter& p, const QColor& colour, bool plus) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(11.5, 11.5), 4.0, 4.0);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (plus) {
        p.drawLine(QPointF(11.5, 9.3), QPointF(11.5, 13.7));
        p.drawLine(QPointF(9.3, 11.5), QPointF(13.7, 11.5));
    } else {
        p.drawLine(QPointF(9.9, 9.9), QPointF(13.1, 13.1));
        p.drawLine(QPointF(13.1, 9.9), QPointF(9.9, 13.1));
    }
}

void frame(QPainter& p, const QRectF& r, const QColor& sky) {
    p.setPen(ink(1.0));
    p.setBrush(sky);
    p.drawRect(r);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45);
    hill.lineTo(r.left() + r.width() * 0.65, r.top() + r.height() * 0.7);
    hill.lineTo(r.right(), r.top() + r.height() * 0.35);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPath(hill);
}

void arrow(QPainter& p, bool up) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    QPainterPath a;
    const qreal tip = up ? 1.5 : 14.5;
    const qreal base = up ? 8.0 : 8.0;
    const qreal tail = up ? 14.5 : 1.5;
    a.moveTo(8, tip);
    a.lineTo(14, base);
    a.lineTo(10.5, base);
    a.lineTo(10.5, tail);
    a.lineTo(5.5, tail);
    a.lineTo(5.5, base);
    a.lineTo(2, base);
    a.closeSubpath();
    p.drawPath(a);
}

void book(QPainter& p) {
    p.setPen(ink());
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(3, 1.5, 10, 13), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 12, 8.5, 2.5));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    QPainterPath q;
    q.moveTo(6.3, 5.0);
    q.cubicTo(6.3, 2.6, 10.3, 2.6, 10.3, 5.0);
    q.cubicTo(10.3, 6.6, 8.3, 6.6, 8.3, 8.4);
    p.setBrush(Qt::NoBrush);
    p.drawPath(q);
    p.drawPoint(QPointF(8.3, 10.3));
}

Painter painterFor(Picture which) {
    switch (which) {
        case Picture::New:
            return [](QPainter& p) { sheet(p); };
        case Picture::Open:
            return [](QPainter& p) {
                p.setPen(ink());
                p.setBrush(kAmber.darker(115));
                p.drawRect(QRectF(1.5, 3.5, 12, 10));
                p.setBrush(kAmber);
                QPainterPath lid;
                lid.moveTo(1.5, 13.5);
                lid.lineTo(4, 7);
                lid.lineTo(15, 7);
                lid.lineTo(13.5, 13.5);
                lid.closeSubpath();
                p.drawPath(lid);
            };
        case Picture::Save:
            return [](QPainter& p) {
                p.setPen(ink());
                p.setBrush(kBlue);
                p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
                p.setBrush(kPaper);
                p.drawRect(QRectF(4, 1.5, 8, 5));
                p.drawRect(QRectF(3.5, 9, 9, 5.5));
            };
        case Picture::Insert:
            return [](QPainter& p) {
                frame(p, QRectF(1.5, 2.5, 10, 8), QColor(0xbf, 0xdc, 0xf5));
                badge(p, kGreen.darker(110), true);
            };
        case Picture::Delete:
            return [](QPainter& p) {
                frame(p, QRectF(1.5, 2.5, 10, 8), QColor(0xbf, 0xdc, 0xf5));
                badge(p, kRed, false);
            };
        case Picture::insertPictures:
            // Insert Pictures: a pile of pictures with the plus of Insert.
            return [](QPainter& p) {
                frame(p, QRectF(3.5, 0.5, 10, 7), QColor(0xbf, 0xdc, 0xf5));
                frame(p, QRectF(1.5, 3.5, 10, 8), QColor(0xbf, 0xdc, 0xf5));
                badge(p, kGreen.darker(110), true);
            };
        case Picture::InsertIntoPage:
            // Insert into Page: a picture on a page, with the plus of Insert.
            return [](QPainter& p) {
                sheet(p);
                frame(p, QRectF(5, 5.5, 6, 4.5), QColor(0xbf, 0xdc, 0xf5));
                badge(p, kGreen.darker(110), true);
            };
        case Picture::MoveUp:
            return [](QPainter& p) { arrow(p, true); };
        case Picture::MoveDown:
            return [](QPainter& p) { arrow(p, false); };
        case Picture::BuildHtml:
            return [](QPainter& p) {
                sheet(p);
                p.setPen(QPen(kBlue, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.setBrush(Qt::NoBrush);
                p.drawPolyline(QPolygonF({QPointF(7, 7), QPointF(5, 9.5), QPointF(7, 12)}));
                p.drawPolyline(QPolygonF({QPointF(9, 7), QPointF(11, 9.5), QPointF(9, 12)}));
            };
        case Picture::Preview:
            return [](QPainter& p) {
                p.setPen(ink());
                p.setBrush(QColor(0xbf, 0xdc, 0xf5));
                p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(8, 8), 2.8, 6.5);
                p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
            };
        case Picture::Help:
            return [](QPainter& p) { book(p); };
        case Picture::None:
            return {};
    }
    return {};
}

}  // namespace

QIcon picture(Picture which) {
    Painter paint = painterFor(which);
    return paint ? draw(paint) : QIcon();
}

QIcon itemNode() {
    return draw([](QPainter& p) { frame(p, QRectF(1.5, 3.5, 13, 9), QColor(0xbf, 0xdc, 0xf5)); });
}

namespace {

// The slider: a page of pictures. Also the program's icon; the installed
// marivel.svg draws the same shapes.
void slider(QPainter& p) {
    p.setPen(ink());
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(1.5, 0.5, 13, 15), 1.5, 1.5);
    frame(p, QRectF(3.5, 2.5, 9, 5), QColor(0xbf, 0xdc, 0xf5));
    frame(p, QRectF(3.5, 9, 9, 5), QColor(0xf5, 0xd9, 0xbf));
}

}  // namespace

QIcon rootNode() {
    return draw(slider);
}

QIcon application() {
    QIcon icon;
    for (int side : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(render(slider, side)));
    return icon;
}

QImage applicationImage(int side) {
    return render(slider, side);
}

}  // namespace marivel::icons
