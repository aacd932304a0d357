// Screen service: the primary screen's work area (the screen minus panels and task bars) and a
// signal when it changes.
#pragma once

#include <QObject>
#include <QRect>

namespace vu {

class Screen : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // In logical pixels.
    virtual QRect workArea() const = 0;

signals:
    // The work area changed size, or a screen was added or removed.
    void displayChanged();
};

class QtScreen final : public Screen {
    Q_OBJECT
public:
    explicit QtScreen(QObject* parent = nullptr);
    QRect workArea() const override;

private:
    void watchPrimary();
};

}  // namespace vu
