#include "listcontrols.h"
#include "platform/paths.h"
#include "platform/wildcard.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QStringListModel>
#include <QStyle>
#include <QStyledItemDelegate>

namespace vu {
namespace {

constexpr int PathRole = Qt::UserRole + 1;
constexpr int DepthRole = Qt::UserRole + 2;

// Indents each folder entry by its depth in the chain.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o = option;
        o.rect.adjust(index.data(DepthRole).toInt() * 10, 0, 0, 0);
        QStyledItemDelegate::paint(painter, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(DepthRole).toInt() * 10;
        return s;
    }
};

QString volumeText(const Volume& v)
{
    return v.label.isEmpty() ? v.root : v.root + QStringLiteral(" [") + v.label + u']';
}

}  // namespace

// ---- DriveListBox ----

DriveListBox::DriveListBox(Volumes& volumes, QWidget* parent)
    : QComboBox(parent)
    , volumes_(volumes)
{
    fill();
    connect(this, &QComboBox::activated, this, &DriveListBox::userChose);
}

QString DriveListBox::drive() const
{
    return drive_;
}

void DriveListBox::fill()
{
    const QSignalBlocker block(this);
    clear();
    for (const Volume& v : volumes_.list())
        addItem(volumeText(v), v.root);
    const int at = findData(drive_);
    setCurrentIndex(at);
}

bool DriveListBox::setDrive(const QString& path)
{
    const QString root = volumes_.rootOf(path);
    if (root.isEmpty())
        return false;
    int at = findData(root);
    if (at < 0) {
        fill();
        at = findData(root);
        if (at < 0)
            return false;
    }
    {
        const QSignalBlocker block(this);
        setCurrentIndex(at);
    }
    if (root != drive_) {
        drive_ = root;
        emit changed();
    }
    return true;
}

void DriveListBox::refresh()
{
    fill();
}

void DriveListBox::userChose(int index)
{
    const QString root = itemData(index).toString();
    // A volume that did not answer before is asked again only when the user chooses it.
    volumes_.askAgain(root);
    if (root != drive_) {
        drive_ = root;
        emit changed();
    }
}

// ---- DirListBox ----

DirListBox::DirListBox(Files& files, Volumes& volumes, QWidget* parent)
    : QListWidget(parent)
    , files_(files)
    , volumes_(volumes)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
        [this](QListWidgetItem* item) { setPath(item->data(PathRole).toString()); });
}

QString DirListBox::entryPath(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? it->data(PathRole).toString() : QString();
}

FsStatus DirListBox::fill(const QString& folder)
{
    mark_ = ListingMark::startingNow(files_.folderStamp(folder));
    std::vector<DirEntry> entries;
    if (FsStatus s = files_.listDir(folder, &entries, Listing::FoldersOnly); !s.ok())
        return s;
    const QString root = volumes_.rootOf(folder);

    const QSignalBlocker block(this);
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // The chain: the root, then each folder below it down to `folder`.
    QStringList chain{root};
    const QString rest = folder.mid(root.size());
    QString walked = root;
    for (const QString& part : rest.split(paths::Separator, Qt::SkipEmptyParts)) {
        walked = paths::join(walked, part);
        chain << walked;
    }
    int depth = 0;
    for (const QString& p : chain) {
        auto* it = new QListWidgetItem(open, depth == 0 ? p : paths::fileName(p), this);
        it->setData(PathRole, p);
        it->setData(DepthRole, depth++);
    }
    const int current = count() - 1;
    for (const QString& name : filterFolderNames(entries)) {
        auto* it = new QListWidgetItem(closed, name, this);
        it->setData(PathRole, paths::join(folder, name));
        it->setData(DepthRole, depth);
    }
    setCurrentRow(current);
    return FsStatus::success();
}

FsStatus DirListBox::setPath(const QString& folder)
{
    const QString clean = paths::cleanFolder(folder);
    if (clean.isEmpty() || !folder.startsWith(paths::Separator))
        return FsStatus::failure(err::PathNotFound, folder + QStringLiteral(": not a folder"));
    if (!files_.isDir(clean))
        return FsStatus::failure(err::PathNotFound, clean + QStringLiteral(": folder not found"));
    if (FsStatus s = fill(clean); !s.ok())
        return s;
    const bool differs = clean != path_;
    path_ = clean;
    volumes_.setCurrentFolder(clean);
    if (differs)
        emit changed();
    return FsStatus::success();
}

FsStatus DirListBox::setDrive(const QString& root)
{
    if (!volumes_.isReady(root))
        return FsStatus::failure(err::DeviceUnavailable, root + QStringLiteral(": drive not ready"));
    FsStatus s = setPath(volumes_.currentFolder(root));
    if (!s.ok() && volumes_.currentFolder(root) != root)
        s = setPath(root);  // the remembered folder is gone; the root is still there
    return s;
}

FsStatus DirListBox::refresh()
{
    if (path_.isEmpty())
        return FsStatus::success();
    if (files_.isDir(path_)) {
        if (mark_.holds(files_.folderStamp(path_)))
            return FsStatus::success();
        const int row = currentRow();
        FsStatus s = fill(path_);
        if (s.ok() && row >= 0 && row < count())
            setCurrentRow(row);
        return s;
    }
    QString up = path_;
    while (up != QStringLiteral("/")) {
        up = paths::folderOf(up);
        if (up.isEmpty())
            break;
        if (files_.isDir(up))
            return setPath(up);
    }
    return FsStatus::failure(err::PathNotFound, path_ + QStringLiteral(": folder not found"));
}

void DirListBox::focusOutEvent(QFocusEvent* event)
{
    QListWidget::focusOutEvent(event);
    // The user leaves the list only by moving on to another control of its own window. A menu,
    // a message box or dialog (the program's own included) or another window taking the focus
    // does not open the highlighted folder: the focus comes back to the list with the folder
    // still only highlighted. By now the application's focus widget is the one taking over.
    if (movesWithinWindow(this, QApplication::focusWidget()))
        emit lostFocus();
}

bool movesWithinWindow(const QWidget* from, const QWidget* to)
{
    return from && to && to != from && to->window() == from->window();
}

// ---- FileListBox ----

FileListBox::FileListBox(Files& files, QWidget* parent)
    : QListView(parent)
    , listing_(files)
    , model_(new QStringListModel(this))
{
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

void FileListBox::showNames()
{
    if (shownReads_ == listing_.reads())
        return;
    model_->setStringList(listing_.names());
    shownReads_ = listing_.reads();
}

void FileListBox::showEvent(QShowEvent* event)
{
    showNames();
    QListView::showEvent(event);
}

FsStatus FileListBox::setPath(const QString& folder)
{
    return afterRead(listing_.setPath(folder));
}

FsStatus FileListBox::setPattern(const QString& pattern)
{
    return afterRead(listing_.setPattern(pattern));
}

FsStatus FileListBox::refresh()
{
    return afterRead(listing_.refresh());
}

FsStatus FileListBox::afterRead(FsStatus s)
{
    if (isVisible())
        showNames();  // the names shown need the order now
    else if (shownReads_ != listing_.reads())
        model_->setStringList(QStringList());  // filled, in order, when the list is shown
    emit reread();
    return s;
}

}  // namespace vu
