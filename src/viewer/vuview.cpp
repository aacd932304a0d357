#include "vuview.h"

#include "platform/deadlines.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/naming.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace vu {
namespace {

constexpr double Text1Width = 150;
constexpr double Text1Height = 270;

int px(double twips)
{
    return std::clamp(twips::toPx(twips), 1, QWIDGETSIZE_MAX);
}

}  // namespace

QString viewerErrorText(const QString& path, int error)
{
    QString why;
    switch (error) {
    case err::FileNotFound:
    case err::PathNotFound:
        why = QStringLiteral("ファイルが見つかりません。移動または削除された可能性があります。");
        break;
    case err::OutOfMemory:
        why = QStringLiteral("画像が大きすぎるため表示できません。");
        break;
    case err::InvalidPicture:
        why = QStringLiteral("画像として読み込めません。ファイルが壊れているか、対応していない形式です。");
        break;
    default:
        why = err::describe(error) + QStringLiteral("。");
        break;
    }
    QString text = QStringLiteral("画像を表示できません。\n") + why;
    if (!path.isEmpty())
        text += QStringLiteral("\n\n") + path;
    return text;
}

VuView::VuView(VuModule& module, QWidget* owner, const QString& file)
    : QDialog(owner)
    , module_(module)
    , path_(file)
{
    ui_.SysInfo1 = &module.screen();
    setObjectName(QStringLiteral("VuView"));
    setSizeGripEnabled(false);

    // Image1 first, so that Picture1 lies above it where both are shown.
    ui_.Image1 = new PictureBox(PictureBox::Mode::Stretch, this);
    nameWidget(ui_.Image1, QStringLiteral("Image1"));
    ui_.Image1->setGeometry(0, 0, 0, 0);
    ui_.Picture1 = new PictureBox(PictureBox::Mode::Natural, this);
    nameWidget(ui_.Picture1, QStringLiteral("Picture1"));
    ui_.Picture1->setFocusPolicy(Qt::NoFocus);
    ui_.Picture1->move(0, 0);
    ui_.Text1 = new QLineEdit(this);
    nameWidget(ui_.Text1, QStringLiteral("Text1"));
    ui_.Text1->setFixedSize(px(Text1Width), px(Text1Height));
    ui_.Text1->installEventFilter(this);
    connect(&whole_, &QFutureWatcher<PictureResult>::finished, this, &VuView::wholePictureDecoded);

    loaded_ = Form_Load();
}

VuView::~VuView()
{
    // The decode reads through the picture service, which must not go away under it. It ends
    // within the service's deadline even on a volume that stopped answering, and the windows
    // paint while it is waited for.
    whole_.disconnect(this);
    if (!whole_.isFinished()) {
        blocking::call<bool>(PictureDeadline + blocking::VolumeDeadline, [whole = whole_.future()]() mutable {
            whole.waitForFinished();
            return true;
        });
    }
}

QString VuView::shownName() const
{
    return paths::fileName(path_);
}

QSizeF VuView::pictureTwips() const
{
    const QSize s = ui_.Picture1->shownSize();
    return QSizeF(twips::fromPx(s.width()), twips::fromPx(s.height()));
}

QSizeF VuView::workAreaTwips() const
{
    return QSizeF(module_.workAreaWidthTwips(), module_.workAreaHeightTwips());
}

void VuView::refuse(const QString& path, int error)
{
    module_.dialogs().message(
        parentWidget(), QStringLiteral("画像の表示"), viewerErrorText(path, error), MsgIcon::Error, MsgButtons::Ok);
}

bool VuView::Form_Load()
{
    // The key-capture box goes to the work area's bottom-right corner, normally outside the
    // window, where it is not seen yet keeps the focus.
    const QSizeF area = workAreaTwips();
    ui_.Text1->move(twips::toPx(area.width() - Text1Width), twips::toPx(area.height() - Text1Height));

    if (path_.isEmpty()) {
        refuse(QString(), err::FileNotFound);
        return false;
    }
    // The file is decoded once; every magnification is scaled from this picture. A large photo
    // first shows its thumbnail from the desktop's cache (or, without one, a decode reduced to
    // an eighth, a fraction of the work), stretched to its natural size while the whole picture
    // decodes on another core.
    // A picture on a volume known not to answer is refused at once, as a drive not ready.
    if (module_.volumes().silentAt(path_)) {
        refuse(path_, err::DeviceUnavailable);
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // The cache asks the picture's volume about the file first; one that does not answer
    // refuses the picture as a drive that is not ready.
    const std::optional<QImage> thumbnail
        = blocking::call<QImage>(blocking::VolumeDeadline, [cache = &module_.thumbnails(), path = path_] {
              const ThumbnailKey key = cache->keyOf(path);
              return key.valid() ? cache->largest(key) : QImage();
          });
    PictureResult r = thumbnail ? module_.pictures().loadFirstView(path_, *thumbnail)
                                : PictureResult::failure(err::DeviceUnavailable, path_);
    QGuiApplication::restoreOverrideCursor();
    if (!r.ok()) {
        refuse(path_, r.error == err::None ? err::InvalidPicture : r.error);
        return false;
    }
    const QSize natural = r.natural.isValid() ? r.natural : r.image.size();
    r.image.setDevicePixelRatio(1.0);
    ui_.Picture1->setPicture(r.image, natural);
    if (r.image.size() != natural) {
        decoding_ = true;
        whole_.setFuture(
            QtConcurrent::run([pictures = &module_.pictures(), path = path_] { return pictures->load(path); }));
    }

    move(ui_.SysInfo1->workArea().topLeft());
    state_ = zoom::opened(pictureTwips());
    applyState(state_);
    setWindowTitle(paths::fileName(path_));
    ui_.Text1->setFocus();
    return true;
}

void VuView::wholePictureDecoded()
{
    if (!decoding_)
        return;
    decoding_ = false;
    PictureResult r = whole_.result();
    if (!r.ok() || r.image.size() != ui_.Picture1->shownSize()) {
        // Only what the first view could not tell: the file changed or memory ran out since.
        loaded_ = false;
        refuse(path_, r.error == err::None ? err::InvalidPicture : r.error);
        done(QDialog::Rejected);
        return;
    }
    r.image.setDevicePixelRatio(1.0);
    ui_.Picture1->setPicture(r.image);
    if (ui_.Image1->hasPicture()) {
        image1Target_ = QSize();
        stretchImage1(ui_.Image1->size());
    }
}

void VuView::Text1_KeyPress(int keyAscii)
{
    if (!loaded_)
        return;
    if (keyAscii == u'+') {
        state_ = zoom::plus(state_, pictureTwips(), workAreaTwips());
        applyState(state_);
        appendSeparatorToCurPath();
    } else if (keyAscii == u'-') {
        const bool steps = state_.zoom > 1.0;
        state_ = zoom::minus(state_, pictureTwips());
        applyState(state_);
        if (steps)
            appendSeparatorToCurPath();
    }
    setWindowTitle(zoom::caption(shownName(), state_.zoom));
}

void VuView::appendSeparatorToCurPath()
{
    // The shared folder keeps the final separator the other windows expect after a step.
    module_.folder().appendSeparator();
}

void VuView::applyState(const zoom::ViewState& s)
{
    ui_.Picture1->setVisible(s.naturalShown);
    // The real window never exceeds the work area: beyond it nothing could be seen, and a
    // window as tall as a far-magnified narrow picture would cost gigabytes of screen memory.
    const QSizeF window = s.window.boundedTo(workAreaTwips());
    const QSizeF client = zoom::clientSize(window);
    resize(px(client.width()), px(client.height()));
    if (s.magnifiedSet) {
        const QSize size(px(s.magnified.width()), px(s.magnified.height()));
        ui_.Image1->setGeometry(QRect(QPoint(0, 0), size));
        stretchImage1(size);
    }
}

void VuView::stretchImage1(QSize size)
{
    const QImage& source = ui_.Picture1->picture();
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size) * ratio).toSize();
    if (target == image1Target_ && ui_.Image1->hasPicture())
        return;
    image1Target_ = target;
    const qint64 pixels = qint64(target.width()) * target.height();
    const bool reduces = target.width() <= source.width() && target.height() <= source.height();
    if (target == source.size() || (!reduces && pixels > MaxScaledPixels)) {
        ui_.Image1->setPicture(source);  // shared, not copied; stretched while painting
        return;
    }
    QImage scaled = source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        ui_.Image1->setPicture(source);
        return;
    }
    scaled.setDevicePixelRatio(ratio);
    ui_.Image1->setPicture(scaled);
}

bool VuView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_.Text1) {
        // Every typed character passes here; the box still receives it.
        if (event->type() == QEvent::KeyPress) {
            const QString typed = static_cast<QKeyEvent*>(event)->text();
            for (QChar c : typed)
                Text1_KeyPress(c.unicode());
        } else if (event->type() == QEvent::InputMethod) {
            const QString typed = static_cast<QInputMethodEvent*>(event)->commitString();
            for (QChar c : typed)
                Text1_KeyPress(c.unicode());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void VuView::keyPressEvent(QKeyEvent* event)
{
    // Escape is a key like any other here (it only rewrites the caption); the window closes by
    // its close box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vu
