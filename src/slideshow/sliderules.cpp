#include "sliderules.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace vu {

qint32 slideInterval(const FsStatus& read, const SettingsRec& rec)
{
    const int seconds = read.ok() ? slideSeconds(rec) : FallbackSlideSeconds;
    return qint32(seconds) * 1000;
}

QPoint slidePosition(double workWidthTwips, double workHeightTwips, QSize size)
{
    const double left = workWidthTwips / 15.0 / 2.0 - size.width() / 2.0;
    const double top = workHeightTwips / 14.453 / 2.0 - size.height() / 2.0;
    return QPoint(int(std::lround(left)), int(std::lround(top)));
}

int nextSlide(int from, int count, const std::function<bool(int index)>& loads)
{
    const int end = std::min(count, MaxSlides);
    for (int i = std::max(from, 0); i < end; ++i) {
        if (loads(i))
            return i;
    }
    return -1;
}

QString slideNameFamily(const QStringList& installed)
{
    static const char* const preferred[] = {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック"};
    for (const char* name : preferred) {
        const QString family = QString::fromUtf8(name);
        if (installed.contains(family))
            return family;
    }
    return QString::fromUtf8(preferred[0]);
}

QFont slideNameFont()
{
    QFont f(slideNameFamily(QFontDatabase::families()));
    f.setPointSize(12);
    return f;
}

}  // namespace vu
