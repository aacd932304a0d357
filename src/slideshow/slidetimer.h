// The slide show's tick source: a QTimer in the program, a timer driven by hand in tests and
// benchmarks, so that no test waits for real seconds.
#pragma once

#include <QObject>
#include <QTimer>

namespace vu {

class SlideTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setInterval(qint32 ms) = 0;
    virtual qint32 interval() const = 0;
    // Starts (or restarts) counting a whole interval from now.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

class QtSlideTimer final : public SlideTimer {
    Q_OBJECT
public:
    explicit QtSlideTimer(QObject* parent = nullptr);
    void setInterval(qint32 ms) override { timer_.setInterval(ms); }
    qint32 interval() const override { return timer_.interval(); }
    void start() override;
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

// Time passes only when advance() is called; a tick falls due whenever a whole interval has
// passed since the start or the previous tick.
class ManualSlideTimer final : public SlideTimer {
    Q_OBJECT
public:
    using SlideTimer::SlideTimer;
    void setInterval(qint32 ms) override { interval_ = ms; }
    qint32 interval() const override { return interval_; }
    void start() override;
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    // Lets `ms` milliseconds pass, emitting the ticks that fall due.
    void advance(qint32 ms);
    // Emits one tick at once, as if the interval had just passed.
    void fire();

private:
    qint32 interval_ = 0;
    qint32 sinceTick_ = 0;
    bool active_ = false;
};

}  // namespace vu
