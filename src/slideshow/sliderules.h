// Rules of the slide show that need no window: the display time, where a picture goes, which
// file comes next, and the face of the name label.
#pragma once

#include "platform/fsstatus.h"
#include "shell/settings.h"

#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

namespace vu {

// The slide number is 8 bits wide, so a show reaches the list's first 256 entries only.
inline constexpr int MaxSlides = 256;
// The display time when the settings file cannot be read.
inline constexpr int FallbackSlideSeconds = 3;

// The timer interval in milliseconds: the stored digit times 1000, 0 (no ticks) for a stored
// blank, zero byte or other non-digit, and the fallback time when reading the settings failed.
qint32 slideInterval(const FsStatus& read, const SettingsRec& rec);

// Top-left corner, in pixels, of a picture of `size` pixels centred on a work area measured in
// twips. The width is divided by 15 and the height by 14.453, so the picture sits slightly
// below the middle; a picture larger than the area gets negative coordinates.
QPoint slidePosition(double workWidthTwips, double workHeightTwips, QSize size);

// The first entry at or after `from` that `loads` accepts, among the first min(count,
// MaxSlides) entries of the list; -1 when none is left, which ends the show. `loads` is asked
// once per entry, in list order, and not beyond the entry it accepts.
int nextSlide(int from, int count, const std::function<bool(int index)>& loads);

// The family of the name label: "ＭＳ Ｐゴシック" where it is installed, else a metric-compatible
// Japanese gothic face from `installed`, else the first name (for the font matcher to replace).
QString slideNameFamily(const QStringList& installed);
// The name label's font: 12 points in that family.
QFont slideNameFont();

}  // namespace vu
