// The viewer: one picture in a window of its own, first at its natural size, magnified in steps
// of one half with "+" and stepped back with "-". Opened modally from the thumbnails' pop-up
// menu; it shows the file of the thumbnail right-clicked last.
#pragma once

#include "shell/vumodule.h"
#include "widgets/picturebox.h"
#include "zoom.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QLineEdit>

namespace vu {

class VuView : public QDialog {
    Q_OBJECT
public:
    // Builds the window on `file`, the file of the thumbnail right-clicked last, and runs
    // Form_Load. When the picture cannot be shown the user has been told in a message box and
    // loaded() is false: the window is then not to be shown.
    VuView(VuModule& module, QWidget* owner, const QString& file);
    ~VuView() override;

    struct Controls {
        PictureBox* Picture1 = nullptr;  // the picture at its natural size, at the client origin
        PictureBox* Image1 = nullptr;  // the magnified picture, stretched to its rectangle
        QLineEdit* Text1 = nullptr;  // the key-capture box: off to the bottom right, it holds the focus
        Screen* SysInfo1 = nullptr;  // the work area
    };
    // Test seam: the controls, for tests that read what the window shows and type into it. The
    // window itself is driven through its handler and read through the accessors below.
    const Controls& ui() const { return ui_; }

    // Runs for every character typed in the key-capture box: "+" and "-" step the magnification.
    void Text1_KeyPress(int keyAscii);

    bool loaded() const { return loaded_; }
    // True while the whole picture is still being decoded behind its first view.
    bool busy() const { return decoding_; }
    // The full path of the file shown.
    const QString& file() const { return path_; }
    // The window as the magnification rules reckon it (twips, frame allowances included), with
    // the magnification (state().zoom). The real window is kept within the work area; what lies
    // beyond it could not be seen anyway.
    const zoom::ViewState& state() const { return state_; }

    // A picture reduced for a step, or enlarged to at most this many pixels, is scaled once per
    // step; larger enlargements (a narrow picture magnified far past the screen) are stretched
    // while painting, the visible part only.
    static constexpr qint64 MaxScaledPixels = 16 * 1024 * 1024;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Loads the picture and sizes the window to it; false (after telling the user) when the
    // file is gone, unreadable, not a picture or too large. A large photo shows a reduced first
    // view at once, and the whole picture replaces it when decoded.
    bool Form_Load();
    QString shownName() const;
    QSizeF pictureTwips() const;
    QSizeF workAreaTwips() const;
    void applyState(const zoom::ViewState& s);
    void stretchImage1(QSize size);
    void appendSeparatorToCurPath();
    void refuse(const QString& path, int error);
    void wholePictureDecoded();

    Controls ui_;
    VuModule& module_;
    zoom::ViewState state_;  // the one home of the magnification
    QString path_;
    QSize image1Target_;
    bool loaded_ = false;
    bool decoding_ = false;
    QFutureWatcher<PictureResult> whole_;
};

// The message given when a picture cannot be shown: why, in Japanese, and the file.
QString viewerErrorText(const QString& path, int error);

}  // namespace vu
