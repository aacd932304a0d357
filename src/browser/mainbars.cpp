#include "mainbars.h"

#include <QPainter>

namespace vu {

std::optional<ToolCommand> toolCommand(const QString& key)
{
    for (const ToolButtonInfo& b : ToolButtons) {
        if (key == QString::fromUtf8(b.key))
            return b.command;
    }
    return std::nullopt;
}

QString StatusPanel::shownText(int width) const
{
    const QFontMetrics m = fontMetrics();
    const QString all = text();
    if (m.horizontalAdvance(all) <= width)
        return all;
    if (!namesFolder_)
        return m.elidedText(all, Qt::ElideRight, width);
    const qsizetype cut = all.indexOf(u'：') + 1;
    const QString label = all.left(cut);
    return label + m.elidedText(all.mid(cut), Qt::ElideLeft, std::max(0, width - m.horizontalAdvance(label)));
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawFrame(&p);
    const QRect r = contentsRect().adjusted(Padding, 0, -Padding, 0);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shownText(r.width()));
}

QString initialPanelText(int n)
{
    static const QString texts[6] = {
        QStringLiteral("データ数：　"),
        QStringLiteral("ページ："),
        QStringLiteral("画像形式：　"),
        QStringLiteral("表示ﾌｫﾙﾀﾞ："),
        QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：　"),
        QStringLiteral("移動ﾌｫﾙﾀﾞ："),
    };
    return n >= 1 && n <= 6 ? texts[n - 1] : QString();
}

}  // namespace vu
