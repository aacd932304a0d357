// Accessible names: a screen reader (and the real-window tests) find every control of the main
// window, its pop-up menu, the splash, the version box, the viewer, the slide show, its
// settings dialog and the batch windows by its accessible name.
#include "batch/vuconv.h"
#include "batch/vulog.h"
#include "batch/vurenm.h"
#include "browser/vumain.h"
#include "platform/paths.h"
#include "platform/testing/doubles.h"
#include "shell/vuabout.h"
#include "shell/vusplash.h"
#include "slideshow/vuprop.h"
#include "slideshow/vuslide.h"
#include "support/testsupport.h"
#include "viewer/vuview.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace vu;
using namespace vu::testing;

namespace {

struct Node {
    QString path;  // the names (or roles) from the window down to this node
    QAccessible::Role role;
    QString name;
    QString className;
    int children;
};

void walk(QAccessibleInterface* iface, const QString& path, QList<Node>& out, int depth = 0)
{
    if (!iface || !iface->isValid() || depth > 30)
        return;
    const QString name = iface->text(QAccessible::Name);
    const QString here = path + u'/' + (name.isEmpty() ? QStringLiteral("<role %1>").arg(int(iface->role())) : name);
    const QObject* o = iface->object();
    out << Node{here, iface->role(), name, o ? QString::fromLatin1(o->metaObject()->className()) : QString(),
        iface->childCount()};
    // A drop-down list's own pop-up is part of the drop-down, which carries the name.
    if (iface->role() == QAccessible::ComboBox)
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), here, out, depth + 1);
}

// The nodes a screen reader would announce without a name. Shown or not: hidden cells and
// menu items appear later. Exempt are separators, pop-up menus (their item in the menu bar names
// them), the tool bar's own overflow button, and unnamed containers whose children are named.
QStringList unnamed(QWidget* window)
{
    QList<Node> nodes;
    walk(QAccessible::queryAccessibleInterface(window), QString(), nodes);
    QStringList out;
    for (const Node& n : nodes) {
        if (!n.name.trimmed().isEmpty() || n.role == QAccessible::Separator || n.role == QAccessible::PopupMenu
            || n.className == QStringLiteral("QToolBarSeparator") || n.className == QStringLiteral("QToolBarExtension")
            || ((n.role == QAccessible::Client || n.role == QAccessible::Pane) && n.children > 0))
            continue;
        out << n.path + QStringLiteral(" (role %1, %2)").arg(int(n.role)).arg(n.className);
    }
    return out;
}

int countNodes(QWidget* window)
{
    QList<Node> nodes;
    walk(QAccessible::queryAccessibleInterface(window), QString(), nodes);
    return int(nodes.size());
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        cwd_ = std::make_unique<TempCwd>();
        platform_ = std::make_unique<TestPlatform>();
        writePictures(cwd_->file(QStringLiteral("pics/sub")), 3);
        SettingsRec rec;
        rec.set(SettingsRec::PathName, cwd_->file(QStringLiteral("pics")));
        writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    }
    void cleanup()
    {
        platform_.reset();
        cwd_.reset();
    }
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void statusPanelsReadTheirText();
    void controlsReachableByTab();

private:
    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
};

void TestAccessibility::everyControlIsNamed_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("main window") << "VuMain";
    QTest::newRow("main window, small layout") << "VuMain small";
    QTest::newRow("version box") << "VuAbout";
    QTest::newRow("splash") << "VuSplash";
    QTest::newRow("batch window") << "VuConv";
    QTest::newRow("batch window, small layout") << "VuConv small";
    QTest::newRow("batch log") << "VuLog";
    QTest::newRow("rename dialog") << "VuReNM";
    QTest::newRow("viewer") << "VuView";
    QTest::newRow("viewer, magnified") << "VuView +";
    QTest::newRow("slide-show settings") << "VuProp";
    QTest::newRow("slide show, black") << "VuSlide";
    QTest::newRow("slide show, a picture up") << "VuSlide showing";
    QTest::newRow("pop-up menu") << "mnuPop";
}

void TestAccessibility::everyControlIsNamed()
{
    QFETCH(QString, window);
    if (window.endsWith(QStringLiteral("small")))
        platform_->screen.setWorkArea(QRect(0, 0, 800, 570));
    VuModule module(platform_->platform());
    VuMain main(module);
    const QString pictures = cwd_->file(QStringLiteral("pics/sub"));
    std::unique_ptr<QWidget> other;
    QPointer<QWidget> shown = &main;
    if (window == QStringLiteral("VuAbout")) {
        other = std::make_unique<VuAbout>(&main);
    } else if (window == QStringLiteral("VuSplash")) {
        other = std::make_unique<VuSplash>(std::function<void()>());
    } else if (window.startsWith(QStringLiteral("VuConv")) || window == QStringLiteral("VuLog")
        || window == QStringLiteral("VuReNM")) {
        other = std::make_unique<VuConv>(module);
    } else if (window.startsWith(QStringLiteral("VuView"))) {
        auto view = std::make_unique<VuView>(module, &main, paths::join(pictures, QStringLiteral("img0001.bmp")));
        QVERIFY(view->loaded());
        if (window.endsWith(u'+'))
            view->Text1_KeyPress(u'+');
        other = std::move(view);
    } else if (window == QStringLiteral("VuProp")) {
        other = std::make_unique<VuProp>(module, &main);
    } else if (window.startsWith(QStringLiteral("VuSlide"))) {
        SettingsRec rec;
        rec.set(SettingsRec::SlideSec, QStringLiteral("2"));
        writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
        module.folder().takeStored(pictures + u'/');
        auto* timer = new ManualSlideTimer;
        shown = new VuSlide(module, &main, {timer, false});
        if (window.endsWith(QStringLiteral("showing"))) {
            timer->fire();
            QCOMPARE(static_cast<VuSlide*>(shown.data())->ui().Label1->text(), QStringLiteral("img0000.bmp"));
        }
    } else if (window == QStringLiteral("mnuPop")) {
        // The menu as a right click opens it, captions written, walked while it is open.
        QVERIFY(main.ui().DirList->setPath(pictures).ok());
        main.OkBtn_Click(0);
        main.show();
        QStringList missing;
        QString menuName;
        int nodes = 0;
        whenShown([] { return QApplication::activePopupWidget(); },
            [&](QWidget* menu) {
                nodes = countNodes(menu);
                missing = unnamed(menu);
                menuName = QAccessible::queryAccessibleInterface(menu)->text(QAccessible::Name);
                menu->close();
            });
        main.img_MouseDown(1, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(nodes, 6);  // the menu and its five items
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
        QCOMPARE(menuName, main.ui().mnuPop->title());
        return;
    }
    if (other)
        shown = other.get();
    if (auto* conv = qobject_cast<VuConv*>(other.get())) {
        conv->appendLog(QStringLiteral("line"));
        conv->mnuSyoriLog_Click();
        if (window == QStringLiteral("VuLog"))
            shown = conv->logWindow();
        else if (window == QStringLiteral("VuReNM"))
            shown = conv->renameDialog();
    }
    shown->show();
    QVERIFY(countNodes(shown) >= 3);
    const QStringList missing = unnamed(shown);
    delete qobject_cast<VuSlide*>(shown.data());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
}

void TestAccessibility::statusPanelsReadTheirText()
{
    VuModule module(platform_->platform());
    VuMain main(module);
    main.show();
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(main.ui().StatusBar1);
    QVERIFY(bar);
    QCOMPARE(bar->role(), QAccessible::StatusBar);
    QStringList names;
    for (int i = 0; i < bar->childCount(); ++i) {
        QAccessibleInterface* panel = bar->child(i);
        QCOMPARE(panel->text(QAccessible::Description), QStringLiteral("StatusBar1.Panels(%1)").arg(i + 1));
        names << panel->text(QAccessible::Name);
    }
    QCOMPARE(names.size(), 6);
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(names[n - 1], main.panel(n));
    QCOMPARE(names[0], QStringLiteral("データ数：0"));
    // A panel rewritten later reads its new text.
    main.setPanel(2, QStringLiteral("ページ： 1/ 1"));
    QCOMPARE(bar->child(1)->text(QAccessible::Name), QStringLiteral("ページ： 1/ 1"));
}

void TestAccessibility::controlsReachableByTab()
{
    // Tab from the drive list visits every list and button the user works with.
    VuModule module(platform_->platform());
    VuMain main(module);
    main.show();
    QSet<QWidget*> reached;
    QWidget* w = main.ui().DrvList;
    for (int i = 0; i < 500 && w; ++i) {
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            reached.insert(w);
        w = w->nextInFocusChain();
        if (w == main.ui().DrvList)
            break;
    }
    QVERIFY(reached.contains(main.ui().DrvList));
    QVERIFY(reached.contains(main.ui().DirList));
    for (QPushButton* b : main.ui().OkBtn)
        QVERIFY2(reached.contains(b), qPrintable(b->text()));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
