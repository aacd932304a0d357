#include "vurenm.h"
#include "batchwidgets.h"

#include "platform/twips.h"

#include <QCloseEvent>

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

    Label1 = new QLabel(QStringLiteral("変更名を半角英数字（6桁以内）で指定してください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips::rect(240, 120, 3975, 255));
    fitText(Label1);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Text1"));
    Text1->setMaxLength(6);
    // Typing gives half-width characters: no input method composes for this box.
    Text1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Text1->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    Text1->setGeometry(twips::rect(240, 480, 1815, 270));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(twips::rect(2520, 480, 735, 255));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &VuReNM::OKButton_Click);

    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(twips::rect(3360, 480, 735, 255));
    CancelButton->setAutoDefault(false);
    connect(CancelButton, &QPushButton::clicked, this, &VuReNM::CancelButton_Click);
}

void VuReNM::OKButton_Click()
{
    hide();
}

void VuReNM::CancelButton_Click()
{
    Text1->setText(QStringLiteral("Err"));
    hide();
}

void VuReNM::reject()
{
    CancelButton_Click();
}

void VuReNM::closeEvent(QCloseEvent* event)
{
    Text1->clear();
    event->accept();
}

}  // namespace vu
