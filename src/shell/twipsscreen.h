// The one width that tells a large screen from a small one, for every window that lays itself out
// by the work area: work areas wider than this many twips (1024 pixels and more) are large.
#pragma once

namespace vu {

inline constexpr double LargeScreenAboveTwips = 15359;

}  // namespace vu
