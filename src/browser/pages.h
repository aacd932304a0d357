// The page model of the thumbnail grid and the texts the status bar shows for it.
#pragma once

#include "shell/imagetypes.h"
#include "widgets/thumbnailgrid.h"

#include <QString>

namespace vu {

// The number of pages for n files: the whole part of n / 30 + 0.9999 (30 cells a page), that is
// n / 30 rounded up.
int pageCount(int files);
// "ページ：" followed by the page number and the page count, each with one leading blank where a
// sign would stand: page 2 of 5 reads "ページ： 2/ 5".
QString pageLabel(int pageNo, int files);
// "データ数：" followed by the count, without a blank.
QString countLabel(int files);
// The page the forward button turns to from page `pageNo` with `files` listed, or 0 where that
// page shows the last of them. The page number is 8 bits wide: from page 255 it stays at 255.
int nextPage(int pageNo, int files, int pageSize = CellsPerPage);
// The list position that cell 0 of page `pageNo` shows.
int firstEntryOfPage(int pageNo, int pageSize = CellsPerPage);

// "画像形式：" followed by the type's text.
QString typeLabel(const ImageType& type);

}  // namespace vu
