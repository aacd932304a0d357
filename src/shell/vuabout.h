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

    QLabel* Image1;
    QLabel* Label1;
    QPushButton* cmdOK;
    // Two buttons without action that sit partly outside the window's left and top edges.
    std::array<QPushButton*, 2> Command1;

    void cmdOK_Click();
};

}  // namespace vu
