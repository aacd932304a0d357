#include "guide.h"

#include <QUrl>

namespace vu {

void openGuide(VuModule& module, QWidget* window)
{
    const QString address = QStringLiteral(VUTARA_HOMEPAGE);
    const QUrl site = !address.isEmpty() ? QUrl(address)
        : !module.guideFile.isEmpty()    ? QUrl::fromLocalFile(module.guideFile)
                                         : QUrl();
    if (site.isEmpty()) {
        module.dialogs().message(window, QStringLiteral("開発者のwebｻｲﾄ"),
            QStringLiteral("利用の手引き（guide.html）がインストールされていません。"), MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    if (!module.urls().open(site)) {
        module.dialogs().message(window, QStringLiteral("開発者のwebｻｲﾄ"),
            QStringLiteral("ブラウザを起動できませんでした。\n") + site.toString(), MsgIcon::Error, MsgButtons::Ok);
    }
}

}  // namespace vu
