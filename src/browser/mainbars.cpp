#include "mainbars.h"

#include "platform/twips.h"

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

void setUpToolbar(QToolBar* bar)
{
    nameWidget(bar, QStringLiteral("tbToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    setCompactToolbar(bar, false);
    bar->toggleViewAction()->setEnabled(false);
    for (const ToolButtonInfo& b : ToolButtons) {
        const QString key = QString::fromUtf8(b.key);
        QAction* a = bar->addAction(bar->style()->standardIcon(b.icon), key);
        a->setData(key);
        a->setObjectName(QStringLiteral("tbToolBar:") + key);
        if (b.command == ToolCommand::Back)
            bar->addSeparator();
    }
}

QAction* toolButton(const QToolBar* bar, const QString& key)
{
    for (QAction* a : bar->actions()) {
        if (a->data().toString() == key)
            return a;
    }
    return nullptr;
}

void followCommand(QToolBar* bar, const char* key, QAction* command)
{
    QAction* button = toolButton(bar, QString::fromUtf8(key));
    button->setEnabled(command->isEnabled());
    QObject::connect(command, &QAction::enabledChanged, button, &QAction::setEnabled);
}

void setCompactToolbar(QToolBar* bar, bool compact)
{
    bar->setIconSize(compact ? QSize(16, 16) : QSize(20, 20));
    bar->setToolButtonStyle(compact ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon);
}

bool isCompactToolbar(const QToolBar* bar)
{
    return bar->toolButtonStyle() == Qt::ToolButtonTextBesideIcon;
}

std::array<StatusPanel*, 6> addStatusPanels(QStatusBar* bar)
{
    std::array<StatusPanel*, 6> panels{};
    for (int n = 1; n <= 6; ++n) {
        auto* label = new StatusPanel(initialPanelText(n), panelNamesFolder(n), bar);
        label->setObjectName(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        // A screen reader reads the panel's text as its name; the description says which it is.
        label->setAccessibleDescription(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFocusPolicy(Qt::NoFocus);
        // The last panel takes the rest of the bar, however long its text.
        if (n == 6)
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        bar->addWidget(label, n == 6 ? 1 : 0);
        panels[n - 1] = label;
    }
    return panels;
}

void setPanelWidths(const std::array<StatusPanel*, 6>& panels, const std::array<float, 6>& widths)
{
    for (int n = 0; n < 5; ++n)
        panels[n]->setFixedWidth(std::max(1, twips::toPx(widths[n])));
    panels[5]->setMinimumWidth(std::max(1, twips::toPx(widths[5])));
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
