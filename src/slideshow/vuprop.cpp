#include "vuprop.h"

#include "platform/twips.h"
#include "shell/naming.h"

namespace vu {

VuProp::VuProp(VuModule& module, QWidget* owner)
    : QDialog(owner)
    , module_(module)
{
    setObjectName(QStringLiteral("VuProp"));
    setWindowTitle(QStringLiteral("スライドショー設定"));
    setFixedSize(twips::toPx(4500), twips::toPx(765));

    // The frame reaches above the client area, so only its sides and bottom edge show.
    ui_.Frm = new QGroupBox(this);
    nameWidget(ui_.Frm, QStringLiteral("Frm"));
    ui_.Frm->setGeometry(twips::rect(0, -70, 4485, 840));

    ui_.Label5 = new QLabel(QStringLiteral("表示時間（秒）"), ui_.Frm);
    ui_.Label5->setObjectName(QStringLiteral("Label5"));  // read out by its text
    ui_.Label5->setGeometry(twips::rect(240, 360, 1695, 255));

    ui_.dspTime = new QLineEdit(ui_.Frm);
    nameWidget(ui_.dspTime, QStringLiteral("dspTime"));
    ui_.dspTime->setGeometry(twips::rect(1560, 320, 375, 270));
    ui_.dspTime->setMaxLength(1);
    // Half-width entry: a digit typed through an input method would arrive as a full-width one.
    ui_.dspTime->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui_.dspTime->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    ui_.Label5->setBuddy(ui_.dspTime);

    static const char* const captions[2] = {"更新", "中止"};
    static const double lefts[2] = {3000, 3720};
    for (int i = 0; i < 2; ++i) {
        ui_.cmd[i] = new QPushButton(QString::fromUtf8(captions[i]), ui_.Frm);
        nameWidget(ui_.cmd[i], QStringLiteral("cmd(%1)").arg(i), QString::fromUtf8(captions[i]));
        ui_.cmd[i]->setAccessibleDescription(ui_.cmd[i]->objectName());
        ui_.cmd[i]->setGeometry(twips::rect(lefts[i], 270, 615, 375));
        connect(ui_.cmd[i], &QPushButton::clicked, this, [this, i] { cmd_Click(i); });
    }
    setTabOrder(ui_.dspTime, ui_.cmd[0]);
    setTabOrder(ui_.cmd[0], ui_.cmd[1]);

    Form_Load();
    ui_.dspTime->setFocus();
}

void VuProp::Form_Load()
{
    if (!readSettings(module_.files(), module_.settingsPath, &settings_).ok()) {
        // Nothing was read: the current folder stays, and an update stores it.
        settings_ = SettingsRec();
        ui_.dspTime->clear();
        return;
    }
    // The stored folder, as the file holds it, becomes the current folder; an update writes it
    // back unchanged. The main window's lists stay where they are.
    module_.folder().takeStored(settings_.value(SettingsRec::PathName));
    ui_.dspTime->setText(settings_.value(SettingsRec::SlideSec));
    // Typing replaces the stored digit rather than bouncing off the one-character limit.
    ui_.dspTime->selectAll();
}

void VuProp::cmd_Click(int Index)
{
    if (Index == 1) {
        reject();
        return;
    }
    if (Index != 0)
        return;
    settings_.setHeaders();
    settings_.set(SettingsRec::PathName, module_.folder().curPath());
    settings_.set(SettingsRec::SlideSec, ui_.dspTime->text());
    const FsStatus s = writeSettings(module_.files(), module_.settingsPath, settings_);
    if (!s.ok()) {
        module_.dialogs().message(this, QStringLiteral("スライドショー設定"),
            QStringLiteral("表示時間を保存できませんでした。\n"
                           "設定ファイル「%1」に書き込めません（%2）。")
                .arg(SettingsFileName, err::describe(s.error)),
            MsgIcon::Error, MsgButtons::Ok);
        ui_.dspTime->setFocus();
        return;
    }
    accept();
}

}  // namespace vu
