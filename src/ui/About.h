#pragma once
// The main window: options, information and help pages. It never extracts;
// it starts a process of the program for each archive.

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <string>

class TfrmConfig : public QWidget {
    Q_OBJECT
public:
    explicit TfrmConfig(QWidget* parent = nullptr);

    // The settings load: makes the first-run defaults when the settings folder
    // is missing and shows every option in its control.
    void Memo3Click();

    // The settings folder, ending in '/'; computed by the settings load.
    std::string SettingsFolder;
    // The applied interface language (a Windows locale identifier or a private
    // code); 0 until a language is applied.
    std::int32_t InterfaceLanguage = 0;

    // The product picture; the progress window takes its picture as background.
    QLabel* Image2 = nullptr;
};
