// The slide-show settings dialog "スライドショー設定": the display time per picture, one
// character, stored in the settings file on "更新".
#pragma once

#include "shell/settings.h"
#include "shell/vumodule.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace vu {

class VuProp : public QDialog {
    Q_OBJECT
public:
    VuProp(VuModule& module, QWidget* owner);

    struct Controls {
        QGroupBox* Frm = nullptr;
        QLabel* Label5 = nullptr;
        QLineEdit* dspTime = nullptr;
        std::array<QPushButton*, 2> cmd{};  // 0 "更新", 1 "中止"
    };
    // Test seam: the controls, for tests that read and type into them.
    const Controls& ui() const { return ui_; }

    // 0 stores the record with the time typed and closes (a failed write is reported and the
    // dialog stays open); 1 closes without storing.
    void cmd_Click(int Index);

private:
    // Reads the record: the box shows the stored time. When the file cannot be read the box
    // stays empty. The current folder is left alone: the dialog stores the folder it read (or,
    // when it read nothing, the current one) back unchanged.
    void Form_Load();

    Controls ui_;
    SettingsRec settings_;  // this window's copy of the settings record
    VuModule& module_;
};

}  // namespace vu
