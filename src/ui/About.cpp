#include "ui/About.h"

#include "settings/Settings.h"

TfrmConfig::TfrmConfig(QWidget* parent) : QWidget(parent) {
    setObjectName("frmConfig");
    setWindowTitle(QStringLiteral("Tarnwick"));
    Memo3Click();
}

void TfrmConfig::Memo3Click() {
    SettingsFolder = settings::SettingsFolder();
    settings::Store store(SettingsFolder);
    if (!store.folderExists()) store.createDefaults();
}
