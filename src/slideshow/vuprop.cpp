#include "vuprop.h"

#include "platform/twips.h"

namespace vu {
namespace {

void name(QWidget* w, const QString& n)
{
    w->setObjectName(n);
    w->setAccessibleName(n);
}

}  // namespace

VuProp::VuProp(VuModule& module, QWidget* owner)
    : QDialog(owner)
    , module_(module)
{
    setObjectName(QStringLiteral("VuProp"));
    setWindowTitle(QStringLiteral("スライドショー設定"));
    setFixedSize(twips::toPx(4500), twips::toPx(765));

    // The frame reaches above the client area, so only its sides and bottom edge show.
    Frm = new QGroupBox(this);
    name(Frm, QStringLiteral("Frm"));
    Frm->setGeometry(twips::rect(0, -70, 4485, 840));

    Label5 = new QLabel(QStringLiteral("表示時間（秒）"), Frm);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(twips::rect(240, 360, 1695, 255));

    dspTime = new QLineEdit(Frm);
    name(dspTime, QStringLiteral("dspTime"));
    dspTime->setGeometry(twips::rect(1560, 320, 375, 270));
    dspTime->setMaxLength(1);
    // Half-width entry: a digit typed through an input method would arrive as a full-width one.
    dspTime->setAttribute(Qt::WA_InputMethodEnabled, false);
    dspTime->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    Label5->setBuddy(dspTime);

    static const char* const captions[2] = {"更新", "中止"};
    static const double lefts[2] = {3000, 3720};
    for (int i = 0; i < 2; ++i) {
        cmd[i] = new QPushButton(QString::fromUtf8(captions[i]), Frm);
        cmd[i]->setObjectName(QStringLiteral("cmd(%1)").arg(i));
        cmd[i]->setAccessibleName(QString::fromUtf8(captions[i]));
        cmd[i]->setAccessibleDescription(cmd[i]->objectName());
        cmd[i]->setGeometry(twips::rect(lefts[i], 270, 615, 375));
        connect(cmd[i], &QPushButton::clicked, this, [this, i] { cmd_Click(i); });
    }
    setTabOrder(dspTime, cmd[0]);
    setTabOrder(cmd[0], cmd[1]);

    Form_Load();
    dspTime->setFocus();
}

void VuProp::Form_Load()
{
    if (!readSettings(module_.files(), module_.settingsPath, &settings).ok()) {
        settings = SettingsRec();
        storedFolder_ = module_.curPath();
        dspTime->clear();
        return;
    }
    // The stored folder passes through an update unchanged. It does not become the current
    // folder: that stays the one the main window lists, whatever the dialog's answer.
    storedFolder_ = startFolder(settings);
    dspTime->setText(settings.value(SettingsRec::SlideSec));
    // Typing replaces the stored digit rather than bouncing off the one-character limit.
    dspTime->selectAll();
}

void VuProp::cmd_Click(int Index)
{
    if (Index == 1) {
        reject();
        return;
    }
    if (Index != 0)
        return;
    settings.setHeaders();
    settings.set(SettingsRec::PathName, storedFolder_);
    settings.set(SettingsRec::SlideSec, dspTime->text());
    const FsStatus s = writeSettings(module_.files(), module_.settingsPath, settings);
    if (!s.ok()) {
        module_.dialogs().message(this, QStringLiteral("スライドショー設定"),
            QStringLiteral("表示時間を保存できませんでした。\n"
                           "設定ファイル「%1」に書き込めません（%2）。")
                .arg(SettingsFileName, err::describe(s.error)),
            MsgIcon::Error, MsgButtons::Ok);
        dspTime->setFocus();
        return;
    }
    accept();
}

}  // namespace vu
