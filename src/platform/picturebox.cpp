#include "picturebox.h"

#include <QMouseEvent>
#include <QPainter>

namespace vu {

PictureBox::PictureBox(Mode mode, QWidget* parent)
    : QWidget(parent)
    , mode_(mode)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setPicture(const QImage& image)
{
    image_ = image;
    if (mode_ == Mode::Natural && !image_.isNull())
        resize(image_.deviceIndependentSize().toSize());
    update();
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
    return mode_ == Mode::Natural && !image_.isNull() ? image_.deviceIndependentSize().toSize() : QSize(32, 32);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect area = border_ ? rect().adjusted(1, 1, -1, -1) : rect();
    if (!image_.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (mode_ == Mode::Stretch)
            p.drawImage(area, image_);
        else
            p.drawImage(QPoint(0, 0), image_);
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
