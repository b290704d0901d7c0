#include "folder_prompt.h"

#include <QDir>
#include <QFileDialog>

#include "catcher_window.h"

namespace chatkeeper::app {

QString PromptForFolder(QWidget* owner, const QString& title) {
    // Qt's own dialog: a desktop's native one may not be told to show hidden folders.
    QFileDialog dialog(owner, title, FolderPromptStart());
    dialog.setObjectName(QStringLiteral("folderPrompt"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Drives);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace chatkeeper::app
