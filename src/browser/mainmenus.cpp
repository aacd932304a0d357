#include "mainmenus.h"

namespace vu {

const MenuTable<VuMain::Controls, VuMain>& mainMenus()
{
    using C = VuMain::Controls;
    // The menus in order, each with its items; an item without a caption is a separator.
    static const MenuTable<C, VuMain> table{{
        {&C::mnuFile, "mnuFile", "ﾌｧｲﾙ",
            {{&C::mnuFileUndo, "mnuFileUndo", "元に戻す", &VuMain::mnuFileUndo_Click},
                {&C::mnuFileSep, "mnuFileSep", nullptr, nullptr},
                {&C::mnuFileQuit, "mnuFileQuit", "終了", &VuMain::mnuFileQuit_Click}}},
        {&C::mnuProp, "mnuProp", "設定",
            {{&C::mnuPropProp, "mnuPropProp", "スライドショー設定", &VuMain::mnuPropProp_Click},
                {&C::mnuPropTrash, "mnuPropTrash", "削除時にごみ箱を使う", &VuMain::mnuPropTrash_Click}}},
        {&C::mnuRun, "mnuRun", "実行",
            {{&C::mnuRunSlide, "mnuRunSlide", "スライドショー", &VuMain::mnuRunSlide_Click},
                {&C::mnuRun2, "mnuRun2", nullptr, nullptr},
                {&C::mnuRunConv, "mnuRunConv", "一括変換", &VuMain::mnuRunConv_Click}}},
        {&C::mnuHelp, "mnuHelp", "ﾍﾙﾌﾟ",
            {{&C::mnuHelpVer, "mnuHelpVer", "ﾊﾞｰｼﾞｮﾝ", &VuMain::mnuHelpVer_Click}, {&C::sa, "sa", nullptr, nullptr},
                {&C::mnuHelpUrl, "mnuHelpUrl", "開発者のwebｻｲﾄ", &VuMain::mnuHelpUrl_Click}}},
        // Its items' captions are written at each right click.
        {&C::mnuPop, "mnuPop", "ポップ",
            {{&C::mnuPop1, "mnuPop1", "", &VuMain::mnuPop1_Click}, {&C::mnuPopSp, "mnuPopSp", nullptr, nullptr},
                {&C::mnuPop2, "mnuPop2", "", nullptr}, {&C::mnuPop3, "mnuPop3", "", nullptr},
                {&C::mnuPop4, "mnuPop4", "", nullptr}},
            true},
    }};
    return table;
}

}  // namespace vu
