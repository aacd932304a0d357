// The main window's bars: the toolbar's buttons and the status bar's panels.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <array>
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

// Adds the buttons to `bar`, each with its key as caption and data, a separator before 戻る.
void addToolButtons(QToolBar* bar);

// Builds the six panels into `bar`, in order, with their first texts; the last takes the rest of
// the bar.
std::array<StatusPanel*, 6> addStatusPanels(QStatusBar* bar);
// Gives the panels their widths in twips: the first five exactly, the last at least.
void setPanelWidths(const std::array<StatusPanel*, 6>& panels, const std::array<float, 6>& widths);

// Texts of the status panels before anything writes them.
QString initialPanelText(int n);

}  // namespace vu
