#include "picturebox.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace vu {

PictureBox::PictureBox(Mode mode, QWidget* parent)
    : QWidget(parent)
    , mode_(mode)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setPicture(const QImage& image, QSize shown)
{
    image_ = image;
    shown_ = shown;
    if (mode_ == Mode::Natural && !image_.isNull())
        resize(shownSize());
    update();
}

QSize PictureBox::shownSize() const
{
    if (image_.isNull())
        return QSize();
    return shown_.isValid() ? shown_ : image_.deviceIndependentSize().toSize();
}

void PictureBox::setBorder(bool on)
{
    border_ = on;
    update();
}

void PictureBox::setEmptyText(const QString& text)
{
    emptyText_ = text;
    update();
}

QSize PictureBox::sizeHint() const
{
    return mode_ == Mode::Natural && !image_.isNull() ? shownSize() : QSize(32, 32);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect area = border_ ? rect().adjusted(1, 1, -1, -1) : rect();
    if (!image_.isNull()) {
        const QRect target = mode_ == Mode::Stretch ? area : QRect(QPoint(0, 0), shownSize());
        // A picture drawn at a whole multiple of its pixels (natural size on a screen of twice
        // the density) stays crisp; any other scale is smoothed.
        const QSizeF device = QSizeF(target.size()) * devicePixelRatioF();
        const double kx = device.width() / image_.width(), ky = device.height() / image_.height();
        const bool whole = kx == ky && kx >= 1 && kx == std::floor(kx);
        p.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
        p.drawImage(target, image_);
    } else if (!emptyText_.isEmpty()) {
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
    }
    if (border_) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    emit mousePressed(event->button(), event->position().toPoint());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    pressed_ = false;
}

}  // namespace vu
