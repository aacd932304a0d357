// The main window's bars: the toolbar's buttons, the menus built from a table, and the status bar's panels.
#pragma once

#include "shell/naming.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace vu {

// The toolbar's buttons in order. A button's key is its caption, its object name's tail and its
// data, which the click handler goes by.
enum class ToolCommand { Prop, Slide, Conv, Back, Forward, Help };
struct ToolButtonInfo {
    const char* key;
    QStyle::StandardPixmap icon;
    ToolCommand command;
};
inline constexpr ToolButtonInfo ToolButtons[] = {
    {"環境設定", QStyle::SP_FileDialogDetailedView, ToolCommand::Prop},
    {"ｽﾗｲﾄﾞｼｮｰ", QStyle::SP_MediaPlay, ToolCommand::Slide},
    {"一括変換", QStyle::SP_DialogSaveButton, ToolCommand::Conv},
    {"戻る", QStyle::SP_ArrowBack, ToolCommand::Back},
    {"進む", QStyle::SP_ArrowForward, ToolCommand::Forward},
    {"ﾍﾙﾌﾟ", QStyle::SP_DialogHelpButton, ToolCommand::Help},
};
// The command of the button with this key; none for a key no button has.
std::optional<ToolCommand> toolCommand(const QString& key);

// A status panel. Where its text is wider than the panel it is cut as the panel allows, so that no
// panel's text runs into the next: a folder keeps the label before "：" and loses the beginning of
// its path ("表示ﾌｫﾙﾀﾞ：…/photos/2023"), any other text its end ("ページ： 25…"). The whole text stays
// the panel's text, read by screen readers and shown as its tip.
class StatusPanel : public QLabel {
public:
    StatusPanel(const QString& text, bool namesFolder, QWidget* parent)
        : QLabel(text, parent)
        , namesFolder_(namesFolder)
    {
    }
    static constexpr int Padding = 2;  // pixels between the frame and the text
    // The text as painted in a panel `width` pixels wide.
    QString shownText(int width) const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool namesFolder_;
};

// Sets the bar up as the main window's (fixed, not to be hidden) and adds the buttons, each with
// its key as caption and data, a separator before 戻る.
void setUpToolbar(QToolBar* bar);
// The button with this key, or null.
QAction* toolButton(const QToolBar* bar, const QString& key);
// The button with this key is enabled as `command` is, now and from now on.
void followCommand(QToolBar* bar, const char* key, QAction* command);
// Small icons with their texts beside them (compact), or the full icons with their texts below.
void setCompactToolbar(QToolBar* bar, bool compact);
bool isCompactToolbar(const QToolBar* bar);

// A window's menus as a table: each menu with its items, an item without a caption a separator.
// `Controls` holds the pointers the menus and actions are kept in; `Window` has the handlers.
template <class Controls, class Window> struct MenuTable {
    struct Item {
        QAction* Controls::*action;
        const char* name;
        const char* caption;
        void (Window::*handler)();
    };
    struct Menu {
        QMenu* Controls::*menu;
        const char* name;
        const char* caption;
        std::vector<Item> items;
        bool popUp = false;  // not in the menu bar: opened on its own, it names itself
    };
    std::vector<Menu> menus;

    // Builds the menus into `window`'s menu bar (or as pop-ups), named as the table names them.
    // `make`, where given, may build an item itself (added to the menu, or null for the table's).
    using Maker = std::function<QAction*(QMenu* menu, QAction* Controls::*action, const QString& name)>;
    void build(Window* window, Controls& ui, const Maker& make = {}) const
    {
        for (const Menu& m : menus) {
            const QString caption = QString::fromUtf8(m.caption);
            QMenu* menu;
            if (m.popUp) {
                menu = new QMenu(caption, window);
                nameWidget(menu, QString::fromLatin1(m.name), caption);
            } else {
                menu = window->menuBar()->addMenu(caption);
                nameObject(menu, QString::fromLatin1(m.name));
            }
            ui.*m.menu = menu;
            for (const Item& i : m.items) {
                QAction* a = make ? make(menu, i.action, QString::fromLatin1(i.name)) : nullptr;
                if (!a)
                    a = i.caption ? menu->addAction(QString::fromUtf8(i.caption)) : menu->addSeparator();
                nameObject(a, QString::fromLatin1(i.name));
                if (i.handler)
                    QObject::connect(a, &QAction::triggered, window, i.handler);
                ui.*i.action = a;
            }
        }
    }
};

// Builds the six panels into `bar`, in order, with their first texts; the last takes the rest of
// the bar.
std::array<StatusPanel*, 6> addStatusPanels(QStatusBar* bar);
// Gives the panels their widths in twips: the first five exactly, the last at least.
void setPanelWidths(const std::array<StatusPanel*, 6>& panels, const std::array<float, 6>& widths);

// The status bar's panels, numbered from 1 on the left as the window's code and tests know them.
enum StatusPanelNo { CountPanel = 1, PagePanel, TypePanel, ShownFolderPanel, CopyFolderPanel, MoveFolderPanel };
inline constexpr int PanelCount = 6;
// The label that begins panel n's text: "データ数：", "ページ：", ... "移動ﾌｫﾙﾀﾞ：".
const QString& panelLabel(int n);
// Panel n's text before anything writes it.
QString initialPanelText(int n);
// Whether panel n names a folder (and is cut at the beginning of its path).
inline bool panelNamesFolder(int n)
{
    return n >= ShownFolderPanel;
}

}  // namespace vu
