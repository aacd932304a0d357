// Window service: stacking order.
#pragma once

class QWidget;

namespace vu {

class Windowing {
public:
    virtual ~Windowing() = default;
    // Keeps the window above all windows that are not kept above (on = true) or puts it back
    // into the normal order; position and size stay, and the window is shown. True on success.
    virtual bool setStaysOnTop(QWidget* window, bool on) = 0;
};

class QtWindowing final : public Windowing {
public:
    bool setStaysOnTop(QWidget* window, bool on) override;
};

}  // namespace vu
