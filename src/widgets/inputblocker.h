// The guard that keeps the program's windows painted but deaf to input while an operation holds
// the window's thread, and a label helper the small dialogs share.
#pragma once

#include <QElapsedTimer>
#include <QObject>

class QLabel;

namespace vu {

// Shrinks a label's font (down to 6 points) until its text fits the label's width.
void fitText(QLabel* label);

// While it lives, user input to every window of the program (mouse, keys, wheel, drops, the
// close box) is thrown away, and pump() lets the windows repaint and timers run. An operation
// that holds the only thread for a long time calls pump() as it goes, so its progress bar and
// the log follow the work without the user starting anything else meanwhile.
class InputBlocker : public QObject {
    Q_OBJECT
public:
    InputBlocker();
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    // Handles what is waiting (painting, timers) when some time has passed since the last time.
    void pump();
    // Handles what is waiting now.
    void flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer since_;
};

}  // namespace vu
