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

// A status panel. Where its text is wider than the panel, the label before "：" stays and the
// rest loses its beginning ("表示ﾌｫﾙﾀﾞ：…/photos/2023"), so that no panel's text runs into the next;
// the whole text stays the panel's text, read by screen readers and shown as its tip.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;
    static constexpr int Padding = 2;  // pixels between the frame and the text

protected:
    void paintEvent(QPaintEvent*) override;
};

// Texts of the status panels before anything writes them.
QString initialPanelText(int n);

}  // namespace vu
