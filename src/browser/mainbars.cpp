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

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawFrame(&p);
    const QRect r = contentsRect().adjusted(Padding, 0, -Padding, 0);
    const QFontMetrics m = fontMetrics();
    QString shown = text();
    if (m.horizontalAdvance(shown) > r.width()) {
        const qsizetype cut = shown.indexOf(u'：') + 1;
        const QString label = shown.left(cut);
        shown
            = label + m.elidedText(shown.mid(cut), Qt::ElideLeft, std::max(0, r.width() - m.horizontalAdvance(label)));
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
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
