#include "slidetimer.h"

namespace vu {

QtSlideTimer::QtSlideTimer(QObject* parent)
    : SlideTimer(parent)
{
    // Whole seconds between pictures: a coarse timer would let the pace wander by 5 %.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SlideTimer::timeout);
}

void QtSlideTimer::start()
{
    // A 0 ms QTimer would fire continuously; an interval of 0 means no ticks at all.
    if (timer_.interval() > 0)
        timer_.start();
    else
        timer_.stop();
}

void ManualSlideTimer::start()
{
    active_ = interval_ > 0;
    sinceTick_ = 0;
}

void ManualSlideTimer::advance(qint32 ms)
{
    sinceTick_ += ms;
    // A tick may stop or restart the timer; the loop looks at the state afresh each time.
    while (active_ && interval_ > 0 && sinceTick_ >= interval_) {
        sinceTick_ -= interval_;
        emit timeout();
    }
}

void ManualSlideTimer::fire()
{
    if (!active_)
        return;
    sinceTick_ = 0;
    emit timeout();
}

}  // namespace vu
