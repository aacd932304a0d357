#include "dialogs.h"
#include "paths.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vu {

MsgAnswer QtDialogs::message(
    QWidget* owner, const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(owner);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == MsgButtons::YesNo) {
        // A question whose careless answer would cost a file: No is the default, and Escape or
        // the close box answer No too.
        QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
        yes->setAccessibleName(QStringLiteral("はい"));
        QPushButton* no = box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
        no->setAccessibleName(QStringLiteral("いいえ"));
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setAccessibleName(QStringLiteral("OK"));
    box.setDefaultButton(ok);
    QPushButton* cancel = nullptr;
    if (buttons == MsgButtons::OkCancel) {
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return box.clickedButton() == ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

QString QtDialogs::chooseFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    QFileDialog dialog(owner, title, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return paths::cleanFolder(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtDialogs::chooseFile(
    QWidget* owner, const QString& title, const QString& folder, const QStringList& filters, int selected)
{
    QFileDialog dialog(owner, title, folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The filters show by their names alone; their patterns still apply, letter case ignored.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly | QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (selected >= 0 && selected < filters.size())
        dialog.selectNameFilter(filters.at(selected));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace vu
