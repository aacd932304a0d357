#include "imagetypes.h"

namespace vu {

const std::array<ImageType, 5>& imageTypes()
{
    static const std::array<ImageType, 5> types = {{
        {QStringLiteral("all"), QStringLiteral("*.bmp;*.jpg;*.gif;*.ico"), QStringLiteral("ALL"),
            QStringLiteral("ｲﾒｰｼﾞ(all)")},
        {QStringLiteral("bmp"), QStringLiteral("*.bmp"), QStringLiteral("BMP"), QStringLiteral("ｲﾒｰｼﾞ(bmp)")},
        {QStringLiteral("jpg"), QStringLiteral("*.jpg"), QStringLiteral("JPG"), QStringLiteral("ｲﾒｰｼﾞ(jpg)")},
        {QStringLiteral("gif"), QStringLiteral("*.gif"), QStringLiteral("GIF"), QStringLiteral("ｲﾒｰｼﾞ(gif)")},
        {QStringLiteral("ico"), QStringLiteral("*.ico"), QStringLiteral("ICO"), QStringLiteral("ｲﾒｰｼﾞ(ico)")},
    }};
    return types;
}

const ImageType& imageType(int index)
{
    return index >= 0 && index < int(imageTypes().size()) ? imageTypes()[std::size_t(index)] : imageTypes()[0];
}

QStringList imageFileFilters()
{
    QStringList filters;
    for (const ImageType& t : imageTypes())
        filters << t.filterName + QStringLiteral(" (") + QString(t.pattern).replace(u';', u' ') + u')';
    return filters;
}

}  // namespace vu
