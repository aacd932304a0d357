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

namespace {

struct PanelText {
    QString label;
    bool spaced;  // written first with an ideographic space after the label
};
const PanelText* panelText(int n)
{
    static const PanelText texts[PanelCount] = {
        {QStringLiteral("データ数："), true},
        {QStringLiteral("ページ："), false},
        {QStringLiteral("画像形式："), true},
        {QStringLiteral("表示ﾌｫﾙﾀﾞ："), false},
        {QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ："), true},
        {QStringLiteral("移動ﾌｫﾙﾀﾞ："), false},
    };
    return n >= 1 && n <= PanelCount ? &texts[n - 1] : nullptr;
}

}  // namespace

const QString& panelLabel(int n)
{
    static const QString none;
    const PanelText* t = panelText(n);
    return t ? t->label : none;
}

QString initialPanelText(int n)
{
    const PanelText* t = panelText(n);
    if (!t)
        return QString();
    return t->spaced ? t->label + QChar(0x3000) : t->label;
}

}  // namespace vu
