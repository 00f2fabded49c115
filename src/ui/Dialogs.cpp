#include "ui/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QList>
#include <QMessageBox>

#include "platform/Messages.h"
#include "ui/Look.h"

namespace dialogs {
namespace {
bool recording = false;
QList<ShownMessage> recorded;
std::optional<QStringList> nextFileNames;
std::optional<QString> nextDirectory;
std::optional<std::optional<QString>> nextText;

// Standard dialogs are windows of their own: they take the application's
// palette, not that of the window that opens them, and would turn dark beside
// it under a dark desktop scheme. Qt's own dialogs (a plain X11 session)
// take the light look; a desktop's native file dialog draws itself anyway.
QStringList ChooseFiles(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter, QFileDialog::FileMode mode) {
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setObjectName("FileDialog");
    look::UseLightLook(dialog);
    dialog.setFileMode(mode);
    if (dialog.exec() != QDialog::Accepted) return {};
    // Paths as the system writes them ('\' on Windows): they are shown and stored.
    QStringList chosen = dialog.selectedFiles();
    for (QString& path : chosen) path = QDir::toNativeSeparators(path);
    return chosen;
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    if (recording) {
        recorded.append({text, caption});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.setObjectName("MessageBox");
    look::UseLightLook(box);
    box.exec();
}

void ShowStoreMessage(QWidget* parent, const settings::StoreMessage& message) {
    ShowMessage(parent, QString::fromUtf8(message.text), QString::fromUtf8(message.caption));
}

void InstallCoreMessageHandler() {
    platform::SetMessageHandler([](const std::string& text, const std::string& caption) {
        ShowMessage(nullptr, QString::fromStdString(text), QString::fromStdString(caption));
    });
}

void RecordMessages(bool on) { recording = on; }

QList<ShownMessage> TakeRecordedMessages() { return std::exchange(recorded, {}); }

QStringList GetOpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) {
    if (nextFileNames) return *std::exchange(nextFileNames, std::nullopt);
    return ChooseFiles(parent, caption, dir, filter, QFileDialog::ExistingFiles);
}

QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter) {
    if (nextFileNames) {
        QStringList names = *std::exchange(nextFileNames, std::nullopt);
        return names.isEmpty() ? QString() : names.first();
    }
    return ChooseFiles(parent, caption, dir, filter, QFileDialog::ExistingFile).value(0);
}

QString GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir) {
    if (nextDirectory) return *std::exchange(nextDirectory, std::nullopt);
    // A browse for folders: it lists folders only and neither creates,
    // renames nor deletes any. The desktop's own dialogs offer a "new folder"
    // button that cannot be taken away, so Qt's dialog is used.
    QFileDialog dialog(parent, caption, dir);
    dialog.setObjectName("FolderDialog");
    look::UseLightLook(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly |
                      QFileDialog::DontUseNativeDialog);
    if (auto* create = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton")))
        create->hide();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

std::optional<QString> GetText(QWidget* parent, const QString& caption, const QString& label,
                               const QString& text) {
    if (nextText) return *std::exchange(nextText, std::nullopt);
    QInputDialog query(parent);
    look::UseLightLook(query);
    query.setWindowTitle(caption);
    query.setLabelText(label);
    query.setTextValue(text);
    if (query.exec() != QDialog::Accepted) return std::nullopt;
    return query.textValue();
}

void SetNextFileNames(const QStringList& names) { nextFileNames = names; }
void SetNextDirectory(const QString& dir) { nextDirectory = dir; }
void SetNextText(const std::optional<QString>& text) { nextText = text; }

}  // namespace dialogs
