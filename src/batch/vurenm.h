// The rename dialog: asks for the prefix of a batch rename. It hands its answer back through its
// own text box: the prefix typed, or the cancel marker "Err". Its buttons hide it, so it is
// loaded once and reused.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vu {

class VuReNM : public QDialog {
    Q_OBJECT
public:
    explicit VuReNM(QWidget* owner);

    QLabel* Label1;
    QLineEdit* Text1;  // at most 6 characters, no input method
    QPushButton* OKButton;
    QPushButton* CancelButton;

    void OKButton_Click();
    void CancelButton_Click();

protected:
    // Escape acts as the cancel button.
    void reject() override;
    // The close box discards what was typed, as a freshly loaded dialog would hold nothing.
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace vu
