// The slide-show settings dialog: what it shows, what "更新" stores byte for byte, what "中止"
// leaves alone, the shared current folder, failures of the settings file, and the main window's
// command that opens it.
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "platform/twips.h"
#include "slideshow/vuprop.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace vu;
using namespace vu::testing;

namespace {

// A record as another run left it, with marks in the spare fields that no window may touch.
QByteArray storedRecord(const QString& folder, char seconds)
{
    SettingsRec rec;
    rec.set(SettingsRec::PathHead, QStringLiteral("[Path]"));
    rec.set(SettingsRec::PathName, folder);
    rec.set(SettingsRec::SlideHead, QStringLiteral("[Slideshow]"));
    rec.set(SettingsRec::Spare1, QStringLiteral("abcd"));
    rec.set(SettingsRec::Spare4, QStringLiteral("spare four"));
    QByteArray bytes = rec.toBytes();
    bytes[SettingsRec::offset(SettingsRec::SlideSec)] = seconds;
    return bytes;
}

}  // namespace

class TestVuProp : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        cwd_ = std::make_unique<TempCwd>();
        platform_ = std::make_unique<TestPlatform>();
        stored_ = cwd_->file(QStringLiteral("保存"));
        QDir().mkpath(stored_);
    }
    void cleanup()
    {
        platform_.reset();
        cwd_.reset();
    }

    void controls();
    void opening_data();
    void opening();
    void update_data();
    void update();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void unreadableOnOpening();
    void failedWriteKeepsDialogOpen();
    void storedTimeReachesSlideShow();
    void commandOpensModalDialog();

private:
    QString settingsFile() const { return cwd_->file(SettingsFileName); }

    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
    QString stored_;
};

void TestVuProp::controls()
{
    writeBytes(settingsFile(), storedRecord(stored_, '4'));
    VuModule module(platform_->platform());
    QWidget owner;
    owner.setGeometry(100, 100, 900, 700);
    owner.show();
    VuProp prop(module, &owner);
    QCOMPARE(prop.windowTitle(), QStringLiteral("スライドショー設定"));
    QCOMPARE(prop.size(), QSize(300, 51));  // 4500 x 765 twips
    QCOMPARE(prop.minimumSize(), prop.maximumSize());
    QCOMPARE(prop.ui().Frm->geometry(), twips::rect(0, -70, 4485, 840));
    QVERIFY(prop.ui().Frm->title().isEmpty());
    QCOMPARE(prop.ui().Label5->text(), QStringLiteral("表示時間（秒）"));
    QCOMPARE(prop.ui().Label5->geometry(), twips::rect(240, 360, 1695, 255));
    QCOMPARE(prop.ui().dspTime->geometry(), twips::rect(1560, 320, 375, 270));
    QCOMPARE(prop.ui().dspTime->maxLength(), 1);
    QVERIFY(!prop.ui().dspTime->testAttribute(Qt::WA_InputMethodEnabled));
    QCOMPARE(prop.ui().cmd[0]->text(), QStringLiteral("更新"));
    QCOMPARE(prop.ui().cmd[1]->text(), QStringLiteral("中止"));
    QCOMPARE(prop.ui().cmd[0]->geometry(), twips::rect(3000, 270, 615, 375));
    QCOMPARE(prop.ui().cmd[1]->geometry(), twips::rect(3720, 270, 615, 375));
    for (const char* n : {"Frm", "dspTime", "cmd(0)", "cmd(1)"})
        QVERIFY2(prop.findChild<QWidget*>(QString::fromLatin1(n)), n);
    QCOMPARE(prop.ui().dspTime->accessibleName(), QStringLiteral("dspTime"));

    // Centred on its owner, the box focused, then the buttons in tab order.
    prop.show();
    QVERIFY(QTest::qWaitForWindowActive(&prop));
    QVERIFY((prop.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2);
    QCOMPARE(QApplication::focusWidget(), prop.ui().dspTime);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), prop.ui().cmd[0]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), prop.ui().cmd[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), prop.ui().dspTime);
}

void TestVuProp::opening_data()
{
    QTest::addColumn<QByteArray>("file");  // the settings file's bytes; "-" for no file
    QTest::addColumn<QString>("stored");  // the folder read, made current and stored back by "更新"
    QTest::addColumn<QString>("box");
    QTest::newRow("digit") << storedRecord(QDir::tempPath() + QStringLiteral("/pics"), '7')
                           << QDir::tempPath() + QStringLiteral("/pics") << "7";
    QTest::newRow("blank") << storedRecord(QStringLiteral("/srv"), ' ') << "/srv"
                           << "";
    QTest::newRow("zero byte") << storedRecord(QStringLiteral("/srv"), '\0') << "/srv"
                               << "";
    QTest::newRow("letter") << storedRecord(QStringLiteral("/srv"), 'x') << "/srv"
                            << "x";
    QTest::newRow("root with separator") << storedRecord(QStringLiteral("/"), '2') << "/"
                                         << "2";
    QTest::newRow("folder that is gone") << storedRecord(QStringLiteral("/no/such/folder"), '2') << "/no/such/folder"
                                         << "2";
    QTest::newRow("trailing separator kept") << storedRecord(QStringLiteral("/srv/pics/"), '3') << "/srv/pics/"
                                             << "3";
    QTest::newRow("empty folder field") << storedRecord(QString(), '3') << ""
                                        << "3";
    QTest::newRow("no file") << QByteArray("-") << ""
                             << "";
    QTest::newRow("empty file") << QByteArray() << ""
                                << "";
    QTest::newRow("short file") << QByteArray("[Path]/srv") << "/srv"
                                << "";
}

void TestVuProp::opening()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, stored);
    QFETCH(QString, box);
    if (file != "-")
        writeBytes(settingsFile(), file);
    VuModule module(platform_->platform());
    module.folder().takeStored(QStringLiteral("/the/folder/shown"));
    VuProp prop(module, nullptr);
    // The stored folder, exactly as read, becomes the current one.
    QCOMPARE(module.folder().curPath(), stored);
    QCOMPARE(prop.ui().dspTime->text(), box);
    QVERIFY(QFile::exists(settingsFile()));  // opening creates a missing file, as every reader does
    prop.cmd_Click(0);
    SettingsRec rec;
    QVERIFY(readSettings(platform_->files, settingsFile(), &rec).ok());
    QCOMPARE(rec.value(SettingsRec::PathName), stored);
}

void TestVuProp::update_data()
{
    QTest::addColumn<QString>("typed");  // keys typed; "=text" sets the box's text instead
    QTest::addColumn<char>("stored");
    QTest::newRow("7 replaces 4") << "7" << '7';
    QTest::newRow("cleared") << "\b" << ' ';
    QTest::newRow("12 typed") << "12" << '1';
    QTest::newRow("12 pasted") << "=12" << '1';
    QTest::newRow("a letter") << "a" << 'a';
    QTest::newRow("a blank") << " " << ' ';
    QTest::newRow("zero") << "0" << '0';
    QTest::newRow("unchanged") << "" << '4';
    QTest::newRow("7 and Enter") << "7\r" << '7';
}

void TestVuProp::update()
{
    QFETCH(QString, typed);
    QFETCH(char, stored);
    const QByteArray before = storedRecord(stored_, '4') + QByteArray("tail after the record");
    writeBytes(settingsFile(), before);
    VuModule module(platform_->platform());
    module.folder().takeStored(cwd_->path());  // the main window shows another folder
    VuProp prop(module, nullptr);
    prop.show();
    QVERIFY(QTest::qWaitForWindowActive(&prop));
    QCOMPARE(prop.ui().dspTime->text(), QStringLiteral("4"));
    if (typed.startsWith(u'='))
        prop.ui().dspTime->setText(typed.mid(1));
    else if (typed == QStringLiteral("\b"))
        QTest::keyClick(prop.ui().dspTime, Qt::Key_Backspace);
    else
        QTest::keyClicks(prop.ui().dspTime, typed.remove(u'\r'));
    QVERIFY(prop.ui().dspTime->text().size() <= 1);
    if (QString::fromLatin1(QTest::currentDataTag()).endsWith(QStringLiteral("Enter")))
        QTest::keyClick(prop.ui().dspTime, Qt::Key_Return);
    else
        QTest::mouseClick(prop.ui().cmd[0], Qt::LeftButton);
    QCOMPARE(prop.result(), int(QDialog::Accepted));
    QVERIFY(platform_->dialogs.asked.isEmpty());

    QByteArray expected = before;
    expected[SettingsRec::offset(SettingsRec::SlideSec)] = stored;
    QCOMPARE(readBytes(settingsFile()), expected);  // the stored folder passes through unchanged
    QCOMPARE(module.folder().curPath(), stored_);  // and is the current one
}

void TestVuProp::cancelWritesNothing_data()
{
    QTest::addColumn<int>("how");  // 1: "中止"; 2: the close box; 3: Escape
    QTest::newRow("中止") << 1;
    QTest::newRow("close box") << 2;
    QTest::newRow("Escape") << 3;
}

void TestVuProp::cancelWritesNothing()
{
    QFETCH(int, how);
    const QByteArray before = storedRecord(stored_, '5');
    writeBytes(settingsFile(), before);
    VuModule module(platform_->platform());
    module.folder().takeStored(cwd_->path());
    VuProp prop(module, nullptr);
    prop.show();
    QTest::keyClicks(prop.ui().dspTime, QStringLiteral("8"));
    const int writes = platform_->files.calls(FaultyFiles::Op::Write);
    if (how == 1)
        QTest::mouseClick(prop.ui().cmd[1], Qt::LeftButton);
    else if (how == 2)
        prop.close();
    else
        QTest::keyClick(prop.ui().dspTime, Qt::Key_Escape);
    QCOMPARE(prop.result(), int(QDialog::Rejected));
    QVERIFY(!prop.isVisible());
    QCOMPARE(platform_->files.calls(FaultyFiles::Op::Write), writes);
    QCOMPARE(readBytes(settingsFile()), before);
    QCOMPARE(module.folder().curPath(), stored_);  // the opening made the stored folder current
}

void TestVuProp::unreadableOnOpening()
{
    writeBytes(settingsFile(), storedRecord(stored_, '6'));
    platform_->files.fail(
        FaultyFiles::Op::Read, [](const QString&) { return true; }, err::PermissionDenied);
    VuModule module(platform_->platform());
    module.folder().takeStored(cwd_->path());
    VuProp prop(module, nullptr);
    QVERIFY(prop.ui().dspTime->text().isEmpty());
    QCOMPARE(module.folder().curPath(), cwd_->path());  // nothing was read to replace it
    QVERIFY(platform_->dialogs.asked.isEmpty());

    // "更新" still stores a whole record: the folder shown and the time typed.
    QTest::keyClicks(prop.ui().dspTime, QStringLiteral("2"));
    prop.cmd_Click(0);
    QCOMPARE(prop.result(), int(QDialog::Accepted));
    SettingsRec rec;
    platform_->files.clear();
    QVERIFY(readSettings(platform_->files, settingsFile(), &rec).ok());
    QCOMPARE(rec.value(SettingsRec::PathName), cwd_->path());
    QCOMPARE(rec.value(SettingsRec::SlideSec), QStringLiteral("2"));
    QCOMPARE(rec.value(SettingsRec::PathHead), QStringLiteral("[Path]"));
    QCOMPARE(rec.value(SettingsRec::SlideHead), QStringLiteral("[Slideshow]"));
}

void TestVuProp::failedWriteKeepsDialogOpen()
{
    const QByteArray before = storedRecord(stored_, '3');
    writeBytes(settingsFile(), before);
    platform_->files.fail(
        FaultyFiles::Op::Write, [](const QString&) { return true; }, err::DiskFull, 1);
    VuModule module(platform_->platform());
    VuProp prop(module, nullptr);
    prop.show();
    QTest::keyClicks(prop.ui().dspTime, QStringLiteral("9"));
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    QTest::mouseClick(prop.ui().cmd[0], Qt::LeftButton);

    QCOMPARE(platform_->dialogs.asked.size(), 1);
    const ScriptedDialogs::Question& q = platform_->dialogs.asked[0];
    QCOMPARE(q.kind, ScriptedDialogs::Question::Message);
    QCOMPARE(q.owner, &prop);
    QCOMPARE(q.title, QStringLiteral("スライドショー設定"));
    QCOMPARE(q.icon, MsgIcon::Error);
    QCOMPARE(q.buttons, MsgButtons::Ok);
    QVERIFY2(q.text.contains(SettingsFileName) && q.text.contains(err::describe(err::DiskFull)), qPrintable(q.text));
    QVERIFY(prop.isVisible());
    QCOMPARE(prop.ui().dspTime->text(), QStringLiteral("9"));
    QCOMPARE(readBytes(settingsFile()), before);

    // The fault has passed: a second "更新" stores and closes.
    QTest::mouseClick(prop.ui().cmd[0], Qt::LeftButton);
    QCOMPARE(platform_->dialogs.asked.size(), 1);
    QVERIFY(!prop.isVisible());
    QCOMPARE(prop.result(), int(QDialog::Accepted));
    QCOMPARE(readBytes(settingsFile()).at(SettingsRec::offset(SettingsRec::SlideSec)), '9');
}

void TestVuProp::storedTimeReachesSlideShow()
{
    writeBytes(settingsFile(), storedRecord(stored_, '1'));
    VuModule module(platform_->platform());
    {
        VuProp prop(module, nullptr);
        QTest::keyClicks(prop.ui().dspTime, QStringLiteral("7"));
        prop.cmd_Click(0);
    }
    SettingsRec rec;
    QVERIFY(readSettings(platform_->files, settingsFile(), &rec).ok());
    QCOMPARE(slideSeconds(rec), 7);
    // A new opening reads the file afresh.
    VuProp again(module, nullptr);
    QCOMPARE(again.ui().dspTime->text(), QStringLiteral("7"));
}

void TestVuProp::commandOpensModalDialog()
{
    writeBytes(settingsFile(), storedRecord(stored_, '5'));
    VuModule module(platform_->platform());
    VuMain main(module);
    main.show();
    QVERIFY(main.ui().mnuPropProp->isEnabled());
    QVERIFY(main.toolButton(QStringLiteral("環境設定"))->isEnabled());
    module.folder().takeStored(cwd_->path());

    QString seen;
    QTimer::singleShot(0, [&] {
        auto* prop = qobject_cast<VuProp*>(QApplication::activeModalWidget());
        if (!prop) {
            seen = QStringLiteral("no modal dialog");
            return;
        }
        seen = QStringLiteral("%1 modal=%2 owner=%3 box=%4")
                   .arg(prop->windowTitle())
                   .arg(prop->isModal())
                   .arg(prop->parentWidget() == &main)
                   .arg(prop->ui().dspTime->text());
        QTest::keyClicks(prop->ui().dspTime, QStringLiteral("8"));
        QTest::mouseClick(prop->ui().cmd[0], Qt::LeftButton);
    });
    main.ui().mnuPropProp->trigger();
    QCOMPARE(seen, QStringLiteral("スライドショー設定 modal=1 owner=1 box=5"));
    QVERIFY(!main.findChild<VuProp*>());  // discarded once closed
    QCOMPARE(readBytes(settingsFile()).at(SettingsRec::offset(SettingsRec::SlideSec)), '8');
    QCOMPARE(module.folder().curPath(), stored_);
}

QTEST_MAIN(TestVuProp)
#include "tst_vuprop.moc"
