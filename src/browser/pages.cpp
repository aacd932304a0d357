#include "pages.h"
#include "mainbars.h"

#include <algorithm>
#include <cmath>

namespace vu {
namespace {

// A number written as the classic number-to-text conversion writes it: a blank where the sign
// of a non-negative number would be.
QString signed_(int n)
{
    return n >= 0 ? u' ' + QString::number(n) : QString::number(n);
}

}  // namespace

int pageCount(int files)
{
    return int(std::floor(double(files) / CellsPerPage + 0.9999));
}

QString pageLabel(int pageNo, int files)
{
    return panelLabel(PagePanel) + signed_(pageNo) + u'/' + signed_(pageCount(files));
}

QString countLabel(int files)
{
    return panelLabel(CountPanel) + QString::number(files);
}

int nextPage(int pageNo, int files, int pageSize)
{
    if (pageNo * pageSize >= files)
        return 0;
    return std::min(pageNo + 1, 255);
}

int firstEntryOfPage(int pageNo, int pageSize)
{
    return qint16((pageNo - 1) * pageSize);
}

QString typeLabel(const ImageType& type)
{
    return panelLabel(TypePanel) + type.panelText;
}

}  // namespace vu
