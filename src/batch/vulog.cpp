#include "vulog.h"
#include "batchrules.h"

#include "platform/twips.h"
#include "shell/naming.h"
#include "widgets/undorunner.h"

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
    ui_.List1 = new QListWidget(client);
    nameWidget(ui_.List1, QStringLiteral("List1"));
    ui_.List1->setUniformItemSizes(true);
    ui_.List1->setSelectionMode(QAbstractItemView::SingleSelection);
    ui_.List1->setGeometry(twips::toPx(20), 0, twips::toPx(15230), twips::toPx(10455));
    ui_.List1->hide();

    QMenuBar* bar = menuBar();
    nameWidget(bar, QStringLiteral("MenuBar"));
    ui_.mnuEdit = bar->addMenu(QStringLiteral("編集"));
    nameObject(ui_.mnuEdit, QStringLiteral("mnuEdit"));
    ui_.mnuEditUndo = addUndoAction(ui_.mnuEdit, module_, QStringLiteral("mnuEditUndo"));
    connect(ui_.mnuEditUndo, &QAction::triggered, this, &VuLog::undoRequested);
    ui_.List1->addAction(ui_.mnuEditUndo);
    ui_.List1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void VuLog::Form_Load()
{
    Dsp_change();
    topmostResult_ = module_.SetTopmost(this, 1);
}

void VuLog::Dsp_change()
{
    const batch::LogPlacement p = batch::logPlacement(module_.workAreaWidthTwips());
    const QPoint origin = module_.screen().workArea().topLeft();
    move(origin + QPoint(twips::toPx(p.left), twips::toPx(p.top)));
    ui_.List1->resize(twips::toPx(p.listWidth), twips::toPx(p.listHeight));
}

void VuLog::setShown(bool shown)
{
    setVisible(shown);
    ui_.List1->setVisible(shown);
}

void VuLog::follow(const BatchLog& store)
{
    QListWidget* list = ui_.List1;
    const qint64 missing = store.total() - mirrored_;
    if (mirrored_ < 0 || missing < 0 || missing > store.count()) {
        list->clear();
        for (int k = 0; k < store.count(); ++k)
            list->addItem(store.line(k));
    } else {
        for (int k = store.count() - int(missing); k < store.count(); ++k)
            list->addItem(store.line(k));
        while (list->count() > store.count())
            delete list->takeItem(0);
    }
    mirrored_ = store.total();
    // A list filled afresh has no entry chosen and shows its first lines.
    list->setCurrentItem(nullptr);
    list->scrollToTop();
}

void VuLog::clearList()
{
    ui_.List1->clear();
    mirrored_ = -1;
}

void VuLog::closeEvent(QCloseEvent* event)
{
    // The batch window discards this window without closing it; a close comes from its user.
    emit closedByUser();
    event->accept();
}

}  // namespace vu
