#include "vusplash.h"
#include "artwork.h"
#include "naming.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QTimer>

namespace vu {

VuSplash::VuSplash(std::function<void()> showMain, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , showMain_(std::move(showMain))
{
    setObjectName(QStringLiteral("VuSplash"));
    setAccessibleName(QStringLiteral("VuSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("VuSplash { background: white; border: 2px solid #3c3c46; }"));

    ui_.Image1 = new QLabel(this);
    nameWidget(ui_.Image1, QStringLiteral("Image1"));
    ui_.Image1->setPixmap(emblem(96));
    ui_.Label1 = new QLabel(QStringLiteral("画像ファイル管理　ver.2.0"), this);
    ui_.Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = ui_.Label1->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    ui_.Label1->setFont(f);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 24, 32, 24);
    row->setSpacing(20);
    row->addWidget(ui_.Image1);
    row->addWidget(ui_.Label1);
    adjustSize();
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void VuSplash::Form_Load()
{
    show();
    repaint();  // visible during the pause, before any other event is handled
    QTimer::singleShot(PauseMs, this, &VuSplash::finish);
}

void VuSplash::Form_Click()
{
    finish();
}

void VuSplash::mousePressEvent(QMouseEvent*)
{
    Form_Click();
}

void VuSplash::finish()
{
    if (finished_)
        return;
    finished_ = true;
    if (showMain_)
        showMain_();
    close();
}

}  // namespace vu
