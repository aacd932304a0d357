// The main window's bars: the toolbar's buttons and the status bar's panels.
#pragma once

#include <QLabel>
#include <QStyle>

#include <optional>

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
