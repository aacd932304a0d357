#include "vuabout.h"
#include "artwork.h"

#include "platform/twips.h"

namespace vu {

VuAbout::VuAbout(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("VuAbout"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFixedSize(twips::toPx(5400), twips::toPx(2400));

    for (int i = 0; i < 2; ++i) {
        Command1[i] = new QPushButton(this);
        Command1[i]->setObjectName(QStringLiteral("Command1(%1)").arg(i));
        Command1[i]->setAccessibleName(Command1[i]->objectName());
        Command1[i]->setFocusPolicy(Qt::NoFocus);
    }
    Command1[0]->setGeometry(twips::rect(-300, 600, 400, 400));
    Command1[1]->setGeometry(twips::rect(900, -300, 400, 400));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("Image1"));
    Image1->setPixmap(emblem(64));
    Image1->setGeometry(twips::rect(300, 300, 960, 960));

    Label1 = new QLabel(QStringLiteral("画像ファイル管理　ver.2.0"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setGeometry(twips::rect(1500, 500, 3800, 500));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips::rect(3900, 1700, 1200, 400));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &VuAbout::cmdOK_Click);
}

void VuAbout::cmdOK_Click()
{
    accept();
}

}  // namespace vu
