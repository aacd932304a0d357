#include "vuabout.h"
#include "artwork.h"
#include "naming.h"

#include "platform/twips.h"

namespace vu {

VuAbout::VuAbout(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("VuAbout"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFixedSize(twips::toPx(5400), twips::toPx(2400));

    for (int i = 0; i < 2; ++i) {
        ui_.Command1[i] = new QPushButton(this);
        nameWidget(ui_.Command1[i], QStringLiteral("Command1(%1)").arg(i));
        ui_.Command1[i]->setFocusPolicy(Qt::NoFocus);
    }
    ui_.Command1[0]->setGeometry(twips::rect(-300, 600, 400, 400));
    ui_.Command1[1]->setGeometry(twips::rect(900, -300, 400, 400));

    ui_.Image1 = new QLabel(this);
    nameWidget(ui_.Image1, QStringLiteral("Image1"));
    ui_.Image1->setPixmap(emblem(64));
    ui_.Image1->setGeometry(twips::rect(300, 300, 960, 960));

    ui_.Label1 = new QLabel(QStringLiteral("画像ファイル管理　ver.2.0"), this);
    ui_.Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = ui_.Label1->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    ui_.Label1->setFont(f);
    ui_.Label1->setGeometry(twips::rect(1500, 500, 3800, 500));

    ui_.cmdOK = new QPushButton(QStringLiteral("OK"), this);
    ui_.cmdOK->setObjectName(QStringLiteral("cmdOK"));
    ui_.cmdOK->setGeometry(twips::rect(3900, 1700, 1200, 400));
    ui_.cmdOK->setDefault(true);
    connect(ui_.cmdOK, &QPushButton::clicked, this, &VuAbout::cmdOK_Click);
}

void VuAbout::cmdOK_Click()
{
    accept();
}

}  // namespace vu
