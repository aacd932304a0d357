// The splash window shown while the program starts.
#pragma once

#include <QLabel>
#include <QWidget>

#include <functional>

namespace vu {

class VuSplash : public QWidget {
    Q_OBJECT
public:
    // `showMain` creates and shows the main window.
    explicit VuSplash(std::function<void()> showMain, QWidget* parent = nullptr);

    struct Controls {
        QLabel* Image1 = nullptr;
        QLabel* Label1 = nullptr;
    };
    // Test seam: the controls.
    const Controls& ui() const { return ui_; }

    // Shows the splash, pauses about a second, shows the main window and closes the splash.
    void Form_Load();
    void Form_Click();
    void Image1_Click() { Form_Click(); }

    static constexpr int PauseMs = 1000;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void finish();

    Controls ui_;
    std::function<void()> showMain_;
    bool finished_ = false;
};

}  // namespace vu
