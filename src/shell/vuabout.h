// The version box.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <array>

namespace vu {

class VuAbout : public QDialog {
    Q_OBJECT
public:
    explicit VuAbout(QWidget* owner);

    struct Controls {
        QLabel* Image1 = nullptr;
        QLabel* Label1 = nullptr;
        QPushButton* cmdOK = nullptr;
        // Two buttons without action that sit partly outside the window's left and top edges.
        std::array<QPushButton*, 2> Command1{};
    };
    // Test seam: the controls.
    const Controls& ui() const { return ui_; }

    void cmdOK_Click();

private:
    Controls ui_;
};

}  // namespace vu
