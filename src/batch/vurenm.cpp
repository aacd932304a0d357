#include "vurenm.h"

#include "platform/twips.h"
#include "shell/naming.h"
#include "widgets/inputblocker.h"

#include <QCloseEvent>
#include <QPointer>

namespace vu {

VuReNM::VuReNM(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("VuReNM"));
    setWindowTitle(QStringLiteral("リネーム"));
    // The batch window it is asked from stays above other windows; so must the question.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(twips::toPx(4455), twips::toPx(930));

    ui_.Label1 = new QLabel(QStringLiteral("変更名を半角英数字（6桁以内）で指定してください。"), this);
    nameObject(ui_.Label1, QStringLiteral("Label1"));
    ui_.Label1->setGeometry(twips::rect(240, 120, 3975, 255));
    fitText(ui_.Label1);

    ui_.Text1 = new QLineEdit(this);
    nameWidget(ui_.Text1, QStringLiteral("Text1"));
    ui_.Text1->setMaxLength(6);
    // Typing gives half-width characters: no input method composes for this box.
    ui_.Text1->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui_.Text1->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    ui_.Text1->setGeometry(twips::rect(240, 480, 1815, 270));

    ui_.OKButton = new QPushButton(QStringLiteral("OK"), this);
    nameObject(ui_.OKButton, QStringLiteral("OKButton"));
    ui_.OKButton->setGeometry(twips::rect(2520, 480, 735, 255));
    ui_.OKButton->setDefault(true);
    ui_.OKButton->setAutoDefault(true);
    connect(ui_.OKButton, &QPushButton::clicked, this, &VuReNM::OKButton_Click);

    ui_.CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    nameObject(ui_.CancelButton, QStringLiteral("CancelButton"));
    ui_.CancelButton->setGeometry(twips::rect(3360, 480, 735, 255));
    ui_.CancelButton->setAutoDefault(false);
    connect(ui_.CancelButton, &QPushButton::clicked, this, &VuReNM::CancelButton_Click);
}

std::optional<QString> VuReNM::askPrefix()
{
    const QPointer<VuReNM> alive = this;
    cancelled_ = false;
    exec();
    if (!alive || cancelled_)
        return std::nullopt;
    return ui_.Text1->text();
}

void VuReNM::clearAnswer()
{
    ui_.Text1->clear();
}

void VuReNM::OKButton_Click()
{
    hide();
}

void VuReNM::CancelButton_Click()
{
    cancelled_ = true;
    ui_.Text1->setText(QStringLiteral("Err"));
    hide();
}

void VuReNM::reject()
{
    CancelButton_Click();
}

void VuReNM::closeEvent(QCloseEvent* event)
{
    ui_.Text1->clear();
    event->accept();
}

}  // namespace vu
