// The thumbnail grid of the main window: the 30 cells `Img(i)` with their names `ImgName(i)`, the
// progress bar `PrgBar1` that counts a page as it fills, and the drag of a thumbnail. The window
// places these controls with its layout table and commands the grid: draw this page of names from
// this folder, clear it. The grid knows which file each cell was drawn with, so that every later
// command on a cell takes the file of the page on the screen.
#pragma once

#include "picturebox.h"
#include "thumbnailer.h"

#include <QDrag>
#include <QLineEdit>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>

#include <array>

namespace vu {

inline constexpr int CellsPerPage = 30;

class ThumbnailGrid : public QObject {
    Q_OBJECT
public:
    // The format a dragged thumbnail carries: the cell's number.
    static const QString Mime;

    // The controls are children of `parent`, hidden until a page shows them.
    ThumbnailGrid(Pictures& pictures, ThumbnailCache& cache, QWidget* parent);

    const std::array<PictureBox*, CellsPerPage>& cells() const { return cells_; }
    const std::array<QLineEdit*, CellsPerPage>& names() const { return names_; }
    QProgressBar* progressBar() const { return progress_; }

    // Empties the cells and sets the progress bar to 0.
    void clear();
    // Fills cell 0 on with the pictures of `names` in `folder` (at most a page), in cell order,
    // the progress bar counting them; the progress bar is 0 again at the end. The pictures are
    // read on threads of their own and waited for with the installed waiter: the windows keep
    // painting meanwhile, and a picture that does not arrive in time (a volume that stopped
    // answering) leaves its cell with its name and the broken-picture mark, as one that cannot be
    // read. The next draw tries it again.
    void draw(const QString& folder, const QStringList& names);

    // The folder the page on the screen was drawn from, and the name each cell was drawn with.
    QString pageFolder() const { return pageFolder_; }
    QString pageFile(int cell) const { return cell >= 0 && cell < CellsPerPage ? files_[cell] : QString(); }
    // The full path of the file cell `cell` shows, empty if none.
    QString cellFile(int cell) const;
    // The cell showing `source`, or -1.
    int cellOf(const QObject* source) const;

    // Thumbnail `cell`'s drag icon (null: the plain outline); a drag of that cell in progress
    // shows it at once.
    QPixmap dragIcon(int cell) const { return cell >= 0 && cell < CellsPerPage ? dragIcons_[cell] : QPixmap(); }
    void setDragIcon(int cell, const QPixmap& icon);
    // The cell dragged now (-1: none), and its drag.
    int draggedCell() const { return dragCell_; }
    QDrag* drag() const { return drag_.data(); }

    // How many pictures of a page decode at once.
    int threads() const { return thumbnails_.threads(); }
    // For tests: how long a page waits while no picture arrives.
    void setPatience(std::chrono::milliseconds patience) { thumbnails_.setPatience(patience); }

signals:
    // A mouse button pressed on a shown cell, at `pos` in the cell. The left button then drags
    // the thumbnail.
    void cellPressed(int cell, Qt::MouseButton button, QPoint pos);

private:
    void setProgress(int value);
    void startDrag(int cell);
    void updateDragCursor();

    Thumbnailer thumbnails_;
    std::array<PictureBox*, CellsPerPage> cells_{};
    std::array<QLineEdit*, CellsPerPage> names_{};
    QProgressBar* progress_ = nullptr;
    std::array<QString, CellsPerPage> files_;
    QString pageFolder_;
    std::array<QPixmap, CellsPerPage> dragIcons_;
    QPointer<QDrag> drag_;
    int dragCell_ = -1;
};

}  // namespace vu
