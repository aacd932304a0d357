#include "pages.h"

#include "platform/wildcard.h"

#include <algorithm>
#include <array>
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
    return QStringLiteral("ページ：") + signed_(pageNo) + u'/' + signed_(pageCount(files));
}

QString countLabel(int files)
{
    return QStringLiteral("データ数：") + QString::number(files);
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

const ImageType& imageType(int index)
{
    static const std::array<ImageType, 5> types = {{
        {QStringLiteral("all"), ImagePattern, QStringLiteral("ALL")},
        {QStringLiteral("bmp"), QStringLiteral("*.bmp"), QStringLiteral("BMP")},
        {QStringLiteral("jpg"), QStringLiteral("*.jpg"), QStringLiteral("JPG")},
        {QStringLiteral("gif"), QStringLiteral("*.gif"), QStringLiteral("GIF")},
        {QStringLiteral("ico"), QStringLiteral("*.ico"), QStringLiteral("ICO")},
    }};
    return types.at(std::clamp(index, 1, 5) - 1);
}

QString typeLabel(int index)
{
    return QStringLiteral("画像形式：") + imageType(index).panelText;
}

}  // namespace vu
