#pragma once
// Thin wrappers around the standard dialogs (message box, file and folder
// pickers, single-line text query). A test primes the next answer; with
// nothing primed the real dialog is shown.

#include <QString>
#include <QStringList>
#include <optional>

#include "settings/Settings.h"

class QWidget;

namespace dialogs {

// A message box with one OK button.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption);
// One of the settings store's messages ("Error 10" and the like).
void ShowStoreMessage(QWidget* parent, const settings::StoreMessage& message);
// Routes the core's messages (platform::ShowMessage) to ShowMessage.
void InstallCoreMessageHandler();

// The messages shown while a test had primed no real box, oldest first.
struct ShownMessage {
    QString text;
    QString caption;
};
// While recording, messages are kept instead of shown (for tests).
void RecordMessages(bool on);
QList<ShownMessage> TakeRecordedMessages();

// Open-file dialog; an empty list means cancelled.
QStringList GetOpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter);
// Open-file dialog for one file; an empty text means cancelled. Takes the
// first of the names primed with SetNextFileNames.
QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter);
// Folder picker; an empty text means cancelled.
QString GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir);
// Single-line text query; nullopt means cancelled.
std::optional<QString> GetText(QWidget* parent, const QString& caption, const QString& label,
                               const QString& text);

// The next call of the matching function returns this answer without showing
// anything. Each primed answer is used once.
void SetNextFileNames(const QStringList& names);
void SetNextDirectory(const QString& dir);
void SetNextText(const std::optional<QString>& text);

}  // namespace dialogs
