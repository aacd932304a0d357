// The slide show: the image files of one folder, one at a time at natural size, centred on a
// black screen with the file name in the top-left corner, one per interval of the display time.
// It ends one interval after the last picture or at a click, and brings the main window back.
#pragma once

#include "platform/folderlisting.h"
#include "shell/settings.h"
#include "shell/vumodule.h"
#include "sliderules.h"
#include "slidetimer.h"
#include "widgets/picturebox.h"

#include <QFutureWatcher>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <atomic>
#include <memory>

namespace vu {

// One picture ready to be shown: its list entry, name and decoded image; index -1 when the
// list holds nothing more to show.
struct Slide {
    int index = -1;
    QString name;
    QImage image;
};

// The next picture of a show: the first entry at or after `from` (of the first MaxSlides) that
// decodes, in a pixel format that paints without conversion. Entries that cannot be loaded are
// passed over. Safe to run on a worker thread; stops early (giving index -1) once `cancelled`.
Slide decodeNextSlide(Pictures& pictures, const QString& folder, const QStringList& names, int from,
    const std::atomic_bool* cancelled = nullptr);

class VuSlide : public QWidget {
    Q_OBJECT
public:
    struct Options {
        SlideTimer* timer = nullptr;  // taken over; a QTimer-driven one when null
        // Decodes each next picture on a worker thread while the current one is shown, so that
        // its tick only has to swap it in. Without it a tick decodes the picture itself.
        bool decodeAhead = true;
    };

    // Builds the window (borderless, black, to be shown maximised) and loads it.
    VuSlide(VuModule& module, QWidget* owner, Options options);
    VuSlide(VuModule& module, QWidget* owner)
        : VuSlide(module, owner, Options{})
    {
    }
    ~VuSlide() override;

    // The window's controls.
    struct Controls {
        PictureBox* imgScr = nullptr;  // the picture, centred on the work area
        QLabel* Label1 = nullptr;  // the picture's file name, in the upper left corner
        SlideTimer* Timer1 = nullptr;  // one tick per picture
    };
    // The controls, for tests to read and drive: the only way to them from outside the window.
    const Controls& ui() const { return ui_; }

    // The pictures of the show: the image files of the folder, in the file lists' order.
    const FolderListing& fileList() const { return fileList_; }
    // The entry to show next.
    quint8 slideNo() const { return SlideNo; }

    // Reads the display time, lists the folder CurPath and starts the timer.
    void Form_Load();
    // Shows the next picture that can be loaded, or ends the show when none is left.
    void Timer1_Timer();
    // Either click ends the show: the main window comes back and this window goes.
    void Form_Click();
    void imgScr_Click();

    // True while a picture is being decoded ahead, or a tick waits for one.
    bool busy() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The entry to show next; SlideNo wraps to 0 after the 256th, which ends the show.
    int position() const { return shownAll_ ? MaxSlides : SlideNo; }
    void startDecoding();
    void decodeFinished();
    void takeDecoded();
    void present(const Slide& slide);
    void cancelDecoding();

    VuModule& module_;
    Controls ui_;
    Screen* SysInfo;  // the work area the pictures are centred on
    quint8 SlideNo = 0;  // the entry to show next
    SettingsRec settings;  // this window's copy of the settings record
    bool decodeAhead_;
    bool shownAll_ = false;  // the 256th entry has been shown
    QString folder_;
    FolderListing fileList_;
    QFuture<Slide> next_;
    QFutureWatcher<Slide> watcher_;
    std::shared_ptr<std::atomic_bool> cancel_;
    bool decoding_ = false;
    bool tickWaiting_ = false;
    bool pressed_ = false;
};

}  // namespace vu
