#include "thumbnailgrid.h"

#include "platform/paths.h"
#include "shell/naming.h"

#include <QDrag>
#include <QMimeData>
#include <QPainter>

namespace vu {

const QString ThumbnailGrid::Mime = QStringLiteral("application/x-vutara-thumbnail");

ThumbnailGrid::ThumbnailGrid(Pictures& pictures, ThumbnailCache& cache, QWidget* parent)
    : QObject(parent)
    , thumbnails_(pictures, cache)
{
    progress_ = new QProgressBar(parent);
    nameWidget(progress_, QStringLiteral("PrgBar1"));
    progress_->setTextVisible(false);
    progress_->setRange(0, CellsPerPage);
    progress_->setValue(0);

    QFont nameFont = parent->font();
    nameFont.setPointSizeF(std::max(6.0, nameFont.pointSizeF() * 0.85));
    for (int i = 0; i < CellsPerPage; ++i) {
        cells_[i] = new PictureBox(PictureBox::Mode::Stretch, parent);
        nameWidget(cells_[i], QStringLiteral("Img(%1)").arg(i));
        cells_[i]->setEmptyText(QString());
        cells_[i]->hide();
        names_[i] = new QLineEdit(parent);
        nameWidget(names_[i], QStringLiteral("ImgName(%1)").arg(i));
        names_[i]->setReadOnly(true);
        names_[i]->setFrame(false);
        names_[i]->setAlignment(Qt::AlignCenter);
        names_[i]->setFont(nameFont);
        names_[i]->setTextMargins(0, 0, 0, 0);
        names_[i]->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
        names_[i]->hide();
        connect(cells_[i], &PictureBox::mousePressed, this, [this, i](Qt::MouseButton button, QPoint pos) {
            emit cellPressed(i, button, pos);
            if (button == Qt::LeftButton)
                startDrag(i);  // the left button drags a thumbnail by itself
        });
    }
}

void ThumbnailGrid::clear()
{
    setProgress(0);
    for (int i = 0; i < CellsPerPage; ++i) {
        cells_[i]->hide();
        cells_[i]->clear();
        cells_[i]->setEmptyText(QString());
        names_[i]->hide();
        names_[i]->clear();
    }
}

void ThumbnailGrid::draw(const QString& folder, const QStringList& names)
{
    pageFolder_ = folder;
    progress_->setRange(0, CellsPerPage);
    setProgress(0);
    const int n = std::min(int(names.size()), CellsPerPage);
    QStringList paths;
    for (int i = 0; i < n; ++i)
        paths << paths::join(folder, names[i]);
    // All cells decode at once; they are put in place in cell order so that the progress bar
    // still counts the cells as they fill. The controls only ask to be painted: while the page
    // waits for a picture the window is painted once a frame, not once for each control.
    const qreal ratio = cells_[0]->devicePixelRatioF();
    const QSize box = (QSizeF(cells_[0]->size()) * ratio).toSize().expandedTo(QSize(1, 1));
    thumbnails_.start(paths, box);
    for (int i = 0; i < n; ++i) {
        files_[i] = names[i];
        cells_[i]->show();
        PictureResult r = thumbnails_.take(i);
        if (r.ok()) {
            r.image.setDevicePixelRatio(ratio);
            cells_[i]->setPicture(r.image);
        } else {
            cells_[i]->setEmptyText(QStringLiteral("読込不可"));
        }
        names_[i]->show();
        names_[i]->setText(names[i]);
        names_[i]->setCursorPosition(0);
        setProgress(i + 1);
    }
    setProgress(0);
}

// A progress bar paints itself at once at every step; the grid's only asks to be painted, with
// the rest of the window.
void ThumbnailGrid::setProgress(int value)
{
    progress_->setUpdatesEnabled(false);
    progress_->setValue(value);
    progress_->setUpdatesEnabled(true);  // asks for a paint
}

QString ThumbnailGrid::cellFile(int cell) const
{
    if (cell < 0 || cell >= CellsPerPage || cells_[cell]->isHidden() || files_[cell].isEmpty() || pageFolder_.isEmpty())
        return QString();
    return paths::join(pageFolder_, files_[cell]);
}

int ThumbnailGrid::cellOf(const QObject* source) const
{
    const auto at = std::find(cells_.begin(), cells_.end(), source);
    return source && at != cells_.end() ? int(at - cells_.begin()) : -1;
}

void ThumbnailGrid::setDragIcon(int cell, const QPixmap& icon)
{
    if (cell < 0 || cell >= CellsPerPage)
        return;
    dragIcons_[cell] = icon;
    if (cell == dragCell_)
        updateDragCursor();
}

void ThumbnailGrid::startDrag(int cell)
{
    if (drag_ || cell < 0 || cell >= CellsPerPage || cells_[cell]->isHidden())
        return;
    auto* data = new QMimeData;
    data->setData(Mime, QByteArray::number(cell));
    auto* drag = new QDrag(cells_[cell]);
    drag->setMimeData(data);
    QPixmap nothing(1, 1);
    nothing.fill(Qt::transparent);
    drag->setPixmap(nothing);
    drag_ = drag;
    dragCell_ = cell;
    updateDragCursor();
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    dragCell_ = -1;
}

// The cursor of a drag in progress shows the dragged thumbnail's drag icon, or the plain outline
// of the thumbnail when it has none.
void ThumbnailGrid::updateDragCursor()
{
    if (!drag_ || dragCell_ < 0)
        return;
    QPixmap cursor = dragIcons_[dragCell_];
    if (cursor.isNull()) {
        cursor = QPixmap(cells_[dragCell_]->size().boundedTo(QSize(128, 128)));
        cursor.fill(Qt::transparent);
        QPainter p(&cursor);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(cursor.rect().adjusted(0, 0, -1, -1));
    }
    drag_->setDragCursor(cursor, Qt::IgnoreAction);
    drag_->setDragCursor(cursor, Qt::CopyAction);
}

}  // namespace vu
