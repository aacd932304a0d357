#include "vulog.h"
#include "batchrules.h"

#include "platform/twips.h"

#include <QCloseEvent>
#include <QMenuBar>

namespace vu {

VuLog::VuLog(VuModule& module, QWidget* owner)
    : QMainWindow(owner, Qt::Window)
    , module_(module)
{
    setObjectName(QStringLiteral("VuLog"));
    setWindowTitle(QStringLiteral("一括変換ログ"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The log follows the work in the batch window; showing it must not take the focus away.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(twips::toPx(6180), twips::toPx(5670));

    // The list is larger than the window and keeps its size when the window is resized.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("VuLogClient"));
    setCentralWidget(client);
    List1 = new QListWidget(client);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("List1"));
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setGeometry(twips::toPx(20), 0, twips::toPx(15230), twips::toPx(10455));
    List1->hide();

    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));
    bar->setAccessibleName(QStringLiteral("MenuBar"));
    mnuEdit = bar->addMenu(QStringLiteral("編集"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditUndo = mnuEdit->addAction(QStringLiteral("元に戻す"), this, &VuLog::undoRequested);
    mnuEditUndo->setObjectName(QStringLiteral("mnuEditUndo"));
    mnuEditUndo->setShortcut(QKeySequence::Undo);
    mnuEditUndo->setEnabled(module_.journal().canUndo());
    connect(&module_.journal(), &engine::Journal::changed, mnuEditUndo,
        [this] { mnuEditUndo->setEnabled(module_.journal().canUndo()); });
    List1->addAction(mnuEditUndo);
    List1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void VuLog::Form_Load()
{
    Dsp_change();
    topmostResult = module_.SetTopmost(this, 1);
}

void VuLog::Dsp_change()
{
    const batch::LogPlacement p = batch::logPlacement(module_.workAreaWidthTwips());
    const QPoint origin = module_.screen().workArea().topLeft();
    move(origin + QPoint(twips::toPx(p.left), twips::toPx(p.top)));
    List1->resize(twips::toPx(p.listWidth), twips::toPx(p.listHeight));
}

void VuLog::follow(const QListWidget& store, qint64 total)
{
    const qint64 missing = total - mirrored_;
    if (mirrored_ < 0 || missing < 0 || missing > store.count()) {
        List1->clear();
        for (int k = 0; k < store.count(); ++k)
            List1->addItem(store.item(k)->text());
    } else {
        for (int k = store.count() - int(missing); k < store.count(); ++k)
            List1->addItem(store.item(k)->text());
        while (List1->count() > store.count())
            delete List1->takeItem(0);
    }
    mirrored_ = total;
    // A list filled afresh has no entry chosen and shows its first lines.
    List1->setCurrentItem(nullptr);
    List1->scrollToTop();
}

void VuLog::clearList()
{
    List1->clear();
    mirrored_ = -1;
}

void VuLog::closeEvent(QCloseEvent* event)
{
    // The batch window discards this window without closing it; a close comes from its user.
    emit closedByUser();
    event->accept();
}

}  // namespace vu
