// The rename dialog: asks for the prefix of a batch rename. Its answer is the prefix its text box
// holds when OK hides it; ｷｬﾝｾﾙ (or Escape) leaves the cancel marker "Err" in the box and the
// dialog knows it was cancelled, so a prefix typed as "Err" is still a prefix. Its buttons hide
// it, so it is loaded once and reused.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

namespace vu {

class VuReNM : public QDialog {
    Q_OBJECT
public:
    explicit VuReNM(QWidget* owner);

    struct Controls {
        QLabel* Label1 = nullptr;  // the request above the text box
        QLineEdit* Text1 = nullptr;  // the prefix: at most 6 characters, no input method
        QPushButton* OKButton = nullptr;
        QPushButton* CancelButton = nullptr;
    };
    // The controls, for tests to read and drive: the only way to them from outside the dialog.
    const Controls& ui() const { return ui_; }

    // Shows the dialog modally and gives the prefix typed; none when it was cancelled, or
    // discarded meanwhile (the program is ending).
    std::optional<QString> askPrefix();
    // Empties the text box, so that the next question starts with nothing typed.
    void clearAnswer();

    void OKButton_Click();
    void CancelButton_Click();

protected:
    // Escape acts as the cancel button.
    void reject() override;
    // The close box discards what was typed, as a freshly loaded dialog would hold nothing.
    void closeEvent(QCloseEvent* event) override;

private:
    Controls ui_;
    bool cancelled_ = false;
};

}  // namespace vu
