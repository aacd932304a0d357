// An image control: shows a picture either stretched to the control's own size or at its
// natural size (the control then takes the picture's size).
#pragma once

#include <QImage>
#include <QWidget>

namespace vu {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Stretch, Natural };
    explicit PictureBox(Mode mode, QWidget* parent = nullptr);

    // `shown`: the size (logical pixels) the picture stands for in natural mode, when the image is
    // a reduced first view of it; by default the image's own.
    void setPicture(const QImage& image, QSize shown = QSize());
    const QImage& picture() const { return image_; }
    // The picture's size in logical pixels as the box shows it in natural mode.
    QSize shownSize() const;
    bool hasPicture() const { return !image_.isNull(); }
    void clear() { setPicture(QImage()); }
    void setBorder(bool on);
    // What is drawn where there is no picture.
    void setEmptyText(const QString& text);
    const QString& emptyText() const { return emptyText_; }

    QSize sizeHint() const override;

signals:
    void mousePressed(Qt::MouseButton button, QPoint pos);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Mode mode_;
    QImage image_;
    QSize shown_;
    QString emptyText_;
    bool border_ = false;
    bool pressed_ = false;
};

}  // namespace vu
