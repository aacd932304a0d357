#include "vuslide.h"

#include "platform/deadlines.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/imagetypes.h"
#include "shell/naming.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QtConcurrent/QtConcurrentRun>

namespace vu {
namespace {

// The raster engine draws these two formats without converting them first, so a tick never
// pays for a conversion of a large picture on the interface thread.
QImage paintable(QImage image)
{
    const QImage::Format wanted = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != wanted)
        image.convertTo(wanted);
    return image;
}

}  // namespace

Slide decodeNextSlide(
    Pictures& pictures, const QString& folder, const QStringList& names, int from, const std::atomic_bool* cancelled)
{
    Slide slide;
    bool stopped = false;
    slide.index = nextSlide(from, int(names.size()), [&](int i) {
        if (cancelled && cancelled->load()) {
            stopped = true;
            return true;
        }
        PictureResult r = pictures.load(paths::join(folder, names.at(i)));
        if (!r.ok())
            return false;  // vanished, unreadable or not a picture: the show goes on with the next
        slide.image = paintable(std::move(r.image));
        return true;
    });
    if (stopped)
        return Slide();
    if (slide.index >= 0)
        slide.name = names.at(slide.index);
    return slide;
}

VuSlide::VuSlide(VuModule& module, QWidget* owner, Options options)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint)
    , module_(module)
    , decodeAhead_(options.decodeAhead)
    , fileList_(module.files(), allPicturesPattern())  // whatever type the main window lists
{
    setObjectName(QStringLiteral("VuSlide"));
    setWindowTitle(QStringLiteral("スライドショー"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    SysInfo = &module_.screen();
    setGeometry(SysInfo->workArea());
    setWindowState(Qt::WindowMaximized);

    ui_.imgScr = new PictureBox(PictureBox::Mode::Natural, this);
    nameWidget(ui_.imgScr, QStringLiteral("imgScr"));
    ui_.imgScr->hide();  // nothing to show until the first tick
    connect(ui_.imgScr, &PictureBox::clicked, this, &VuSlide::imgScr_Click);

    ui_.Label1 = new QLabel(this);
    ui_.Label1->setObjectName(QStringLiteral("Label1"));
    // A screen reader reads the file name as the label's name (its own name until the first
    // picture); the description says which it is.
    ui_.Label1->setAccessibleName(QStringLiteral("Label1"));
    ui_.Label1->setAccessibleDescription(QStringLiteral("Label1"));
    ui_.Label1->setFont(slideNameFont());
    QPalette colours = ui_.Label1->palette();
    colours.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::HighlightedText));
    colours.setColor(QPalette::Window, QApplication::palette("QMenu").color(QPalette::WindowText));
    ui_.Label1->setPalette(colours);
    ui_.Label1->setAutoFillBackground(true);
    ui_.Label1->move(twips::toPx(120), twips::toPx(120));
    // A click on the name must not reach the window, where it would end the show.
    ui_.Label1->setAttribute(Qt::WA_NoMousePropagation);
    ui_.Label1->raise();

    ui_.Timer1 = options.timer ? options.timer : new QtSlideTimer;
    ui_.Timer1->setParent(this);
    ui_.Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(ui_.Timer1, &SlideTimer::timeout, this, &VuSlide::Timer1_Timer);
    connect(&watcher_, &QFutureWatcher<Slide>::finished, this, &VuSlide::decodeFinished);

    Form_Load();
}

VuSlide::~VuSlide()
{
    ui_.Timer1->stop();
    cancelDecoding();
    // The worker reads through the picture service, which must not go away under it. It ends
    // within the service's deadline even on a volume that stopped answering, and the windows
    // paint while it is waited for.
    if (decoding_ && !next_.isFinished()) {
        blocking::call<bool>(PictureDeadline + blocking::VolumeDeadline, [next = next_]() mutable {
            next.waitForFinished();
            return true;
        });
    }
}

void VuSlide::Form_Load()
{
    const FsStatus read = readSettings(module_.files(), module_.settingsPath, &settings);
    ui_.Timer1->setInterval(slideInterval(read, settings));
    folder_ = module_.folder().curPath();
    fileList_.setPath(folder_);
    SlideNo = 0;
    shownAll_ = false;
    // An interval of 0 gives no ticks: the screen stays black until a click.
    if (ui_.Timer1->interval() > 0) {
        ui_.Timer1->start();
        if (decodeAhead_)
            startDecoding();
    }
}

void VuSlide::startDecoding()
{
    cancel_ = std::make_shared<std::atomic_bool>(false);
    Pictures* pictures = &module_.pictures();
    next_ = QtConcurrent::run(
        [pictures, folder = folder_, names = fileList_.names(), from = position(), cancel = cancel_] {
            return decodeNextSlide(*pictures, folder, names, from, cancel.get());
        });
    decoding_ = true;
    watcher_.setFuture(next_);
}

void VuSlide::cancelDecoding()
{
    if (cancel_)
        cancel_->store(true);
}

bool VuSlide::busy() const
{
    return tickWaiting_ || (decoding_ && !next_.isFinished());
}

void VuSlide::Timer1_Timer()
{
    if (!decodeAhead_) {
        present(decodeNextSlide(module_.pictures(), folder_, fileList_.names(), position()));
        return;
    }
    if (tickWaiting_)
        return;  // the picture of the previous tick is still being decoded
    if (!decoding_)
        startDecoding();
    if (next_.isFinished())
        takeDecoded();
    else
        tickWaiting_ = true;
}

void VuSlide::decodeFinished()
{
    // The watcher may report a future already taken by a tick; only a waiting tick takes it here.
    if (!tickWaiting_ || !decoding_ || !next_.isFinished())
        return;
    tickWaiting_ = false;
    takeDecoded();
    // The picture came late: it still gets a whole interval.
    if (ui_.Timer1->isActive())
        ui_.Timer1->start();
}

void VuSlide::takeDecoded()
{
    const Slide slide = next_.result();
    next_ = QFuture<Slide>();
    decoding_ = false;
    present(slide);
}

void VuSlide::present(const Slide& slide)
{
    if (slide.index < 0) {
        close();  // every entry has been shown, or the list is empty
        return;
    }
    ui_.imgScr->setPicture(slide.image);
    const QRect area = SysInfo->workArea();
    ui_.imgScr->move(slidePosition(twips::fromPx(area.width()), twips::fromPx(area.height()), ui_.imgScr->size()));
    ui_.imgScr->show();
    ui_.Label1->setText(slide.name);
    ui_.Label1->setAccessibleName(slide.name);
    ui_.Label1->adjustSize();
    if (slide.index >= MaxSlides - 1)
        shownAll_ = true;
    SlideNo = quint8(slide.index + 1);
    if (decodeAhead_)
        startDecoding();
}

void VuSlide::Form_Click()
{
    close();
}

void VuSlide::imgScr_Click()
{
    close();
}

void VuSlide::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void VuSlide::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        Form_Click();
}

void VuSlide::closeEvent(QCloseEvent* event)
{
    // Ending the show: no tick follows, the main window comes back, then this window goes.
    ui_.Timer1->stop();
    tickWaiting_ = false;
    cancelDecoding();
    if (QWidget* main = parentWidget()) {
        main->show();
        main->raise();
        main->activateWindow();
    }
    event->accept();
}

}  // namespace vu
