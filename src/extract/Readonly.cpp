#include "extract/Readonly.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "extract/Main.h"
#include "ui/About.h"
#include "ui/Wizard.h"

namespace {

const rundialog::ControlText kTexts[] = {
    {rundialog::kCaption, " - Output Folder full or read-only",
     " - Le dossier est en lecture seule", " - Dateien können nicht entpackt werden",
     " - No ha sido posible descomprimir el archivo"},
    {"Label2", "Extraction impossible", "L'extraction impossible", "Entpacken nicht möglich",
     "Extracción imposible"},
    {"Label4", "The output folder is read-only or full.", "Le dossier est en lecture seule.",
     "Der Ausgabeordner ist voll oder schreibgeschützt.",
     "La carpeta de destino está llena o de sólo lectura."},
    {"Label1", "The folder...", "Le dossier...", "Im Ordner...", "En la carpeta..."},
    {"Label3", "...does not allow files to be extracted to it.", "...est en lecture seule.",
     "...können keine Dateien erstellt werden.", "...los archivos no se pueden crear."},
    {"Label5", "Do you want to select a different output folder?",
     "Souhaitez-vous choisir un nouveau dossier?",
     "Möchten Sie einen anderen Ausgabeordner wählen?",
     "¿Desea seleccionar una carpeta de destino diferente?"},
    {"selectButton", "Yes", "Oui", "Ja", "Si"},
    {"skipButton", "No", "Non", "Nein", "No"},
    {"selectButton.description", "Choose another output folder",
     "Choisir un autre dossier de destination", "Einen anderen Ausgabeordner wählen",
     "Elegir otra carpeta de destino"},
    {"skipButton.description", "Do not extract this archive", "Ne pas extraire cette archive",
     "Dieses Archiv nicht entpacken", "No descomprimir este archivo"},
    {"FolderBox.name", "Output folder", "Dossier de destination", "Ausgabeordner",
     "Carpeta de destino"},
};

}  // namespace

TReadonlyForm::TReadonlyForm(TMobrelProgressForm& run, const QString& folder, QWidget* parent)
    : TRunDialog("ReadonlyForm", run.frmConfig ? run.frmConfig->InterfaceLanguage : 0, 262, parent),
      ArchivePath(QCoreApplication::arguments().value(1)),
      run_(run) {
    Label1 = NewLabel(this, "Label1", 23, 79);
    FolderBox = NewNameBox(this, "FolderBox", 23, 103, 482);
    FolderBox->setText(folder);
    FolderBox->setToolTip(folder);
    Label3 = NewLabel(this, "Label3", 23, 133);
    Label5 = NewLabel(this, "Label5", 23, 170, Style::Bold);
    selectButton = NewButton(Panel2, "selectButton", 366, 9, 75, 25);
    selectButton->setDefault(true);
    skipButton = NewButton(Panel2, "skipButton", 447, 9, 75, 25);
    setTabOrder(selectButton, skipButton);
    setTabOrder(skipButton, FolderBox);
    selectButton->setFocus();

    connect(selectButton, &QPushButton::clicked, this, &TReadonlyForm::selectButtonClick);
    connect(skipButton, &QPushButton::clicked, this, &TReadonlyForm::skipButtonClick);
    ApplyTexts(kTexts);
}

void TReadonlyForm::selectButtonClick() {
    if (run_.frmConfig) {
        TWizardForm wizard(*run_.frmConfig, &run_.Cancelled, ArchivePath, this);
        wizard.exec();
    }
    accept();
}

void TReadonlyForm::skipButtonClick() {
    run_.Cancelled = true;
    reject();
}
