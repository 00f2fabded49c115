#include "extract/Failed.h"

#include <QLineEdit>
#include <QPushButton>

#include "extract/Main.h"
#include "ui/About.h"

namespace {

const rundialog::ControlText kTexts[] = {
    {rundialog::kCaption, " - Extraction Failed", " - Extraction ne fonctionne pas",
     " - Entpacken fehlgeschlagen", " - Fallo de extracción"},
    {"Label2", "Extraction Failed", "Extraction ne fonctionne pas", "Entpacken fehlgeschlagen",
     "Descompresión fallado"},
    {"Label4", "A RAR archive could not be decompressed entirely.",
     "Déballage du fichier RAR ne peut pas être terminée.",
     "Das Auspacken der RAR-Datei konnte nicht abgeschlossen werden.",
     "No se ha podido terminar la descompresión del archivo RAR."},
    {"Label1", "The RAR file...", "Le fichier RAR...", "Die RAR-Datei...", "El archivo RAR..."},
    {"Label3", "...refused to be unpacked.", "...a refusé d'être extrait.",
     "...wehrte sich gegen das Auspacken.", "...ha refusado la extracción."},
    {"Label6",
     "Probable causes:", "Causes probables:", "Wahrscheinliche Ursachen:", "Causas probables:"},
    {"Label5", "* Archive might be corrupted", "* Le fichier peut être endommagé",
     "* Archiv könnte kaputt sein", "* El archivo puede estar corrupto"},
    {"Label7", "Sometimes archives are damaged during download ",
     "Parfois, les archives sont corrompus pendant le",
     "Manchmal werden Archive während des Downloads", "A veces los archivos estropean"},
    {"Label8", "or other ways of transmission...",
     "téléchargement ou autre moyen de transmission...",
     "oder auf anderen Übertragungswegen beschädigt...", "mientras la descarga..."},
    {"Label13", "* Archive might be incomplete", "* Le fichier peut être incomplète",
     "* Archiv könnte unvollständig sein", "* El archivo puede estar incompleto"},
    {"Label9", "Sometimes archives are splitted into many different parts.",
     "Parfois, les fichiers sont découpés en différentes parties.",
     "Manchmal werden Archive in viele Teile zerlegt.",
     "A veces los archivos estan divididos en muchas partes."},
    {"Label10", "In this case you need all parts to extract successfully...",
     "Dans ce cas, toutes les pièces sont neede pour extraire...",
     "Zum Entpacken werden alle Teile benötigt...",
     "Para la descompresión todos las partes son neccesarios..."},
    {"Label14", "* Archive might be encrypted", "* Le fichier peut être crypté",
     "* Archiv könnte verschlüsselt sein", "* El archivo puede estar cifrado"},
    {"Label11", "Sometimes archives are encrypted. You need the right",
     "Parfois, les archives sont cryptées. Vous avez besoin du bon",
     "Manchmal werden Archive mit einem Passwort geschützt.",
     "A veces los archivos llevan contraseña."},
    {"Label12", "password to open this type of RAR archive...",
     "mot de passe pour ouvrir ce type de archive RAR...",
     "Zum Entpacken ist das richtige Passwort erforderlich...",
     "Para descomprimir necesita la contraseña correcta..."},
    {"Button3", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"Button16", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"Button1", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"Button2", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    // The four "Learn more..." buttons say what each one is about.
    {"Button3.name", "Learn more about archives that cannot be extracted...",
     "En savoir plus sur les archives qui ne s'extraient pas...",
     "Details zu Archiven lesen, die sich nicht entpacken lassen...",
     "Leer detalles sobre archivos que no se descomprimen..."},
    {"Button16.name", "Learn more about damaged archives...",
     "En savoir plus sur les archives endommagées...", "Details zu kaputten Archiven lesen...",
     "Leer detalles sobre archivos corruptos..."},
    {"Button1.name", "Learn more about archives in several parts...",
     "En savoir plus sur les archives en plusieurs parties...",
     "Details zu Archiven aus mehreren Teilen lesen...",
     "Leer detalles sobre archivos en varias partes..."},
    {"Button2.name", "Learn more about encrypted archives...",
     "En savoir plus sur les archives cryptées...", "Details zu verschlüsselten Archiven lesen...",
     "Leer detalles sobre archivos cifrados..."},
    {"FilenameBox.name", "Archive", "Archive", "Archiv", "Archivo"},
    {"OKButton", "OK", "OK", "OK", "OK"},
};

}  // namespace

TFailedForm::TFailedForm(TMobrelProgressForm& run, const QString& displayName, QWidget* parent)
    : TFailedForm(run.frmConfig ? run.frmConfig->InterfaceLanguage : 0, displayName, parent) {}

TFailedForm::TFailedForm(std::int32_t language, const QString& displayName, QWidget* parent)
    : TRunDialog("FailedForm", language, 413, parent) {
    Label1 = NewLabel(this, "Label1", 23, 79);
    FilenameBox = NewNameBox(this, "FilenameBox", 23, 103, 330);
    FilenameBox->setText(displayName);
    FilenameBox->setToolTip(displayName);
    Button3 = NewButton(this, "Button3", 363, 100, 140, 25);
    Label3 = NewLabel(this, "Label3", 23, 133);
    Label6 = NewLabel(this, "Label6", 23, 160, Style::Bold);
    Label5 = NewLabel(this, "Label5", 23, 184, Style::Bold);
    Label7 = NewLabel(this, "Label7", 23, 200);
    Label8 = NewLabel(this, "Label8", 23, 216);
    Button16 = NewButton(this, "Button16", 363, 194, 140, 25);
    Label13 = NewLabel(this, "Label13", 23, 242, Style::Bold);
    Label9 = NewLabel(this, "Label9", 23, 258);
    Label10 = NewLabel(this, "Label10", 23, 274);
    Button1 = NewButton(this, "Button1", 363, 252, 140, 25);
    Label14 = NewLabel(this, "Label14", 23, 300, Style::Bold);
    Label11 = NewLabel(this, "Label11", 23, 316);
    Label12 = NewLabel(this, "Label12", 23, 332);
    Button2 = NewButton(this, "Button2", 363, 310, 140, 25);
    OKButton = NewButton(Panel2, "OKButton", 447, 9, 75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();

    connect(Button3, &QPushButton::clicked, this, &TFailedForm::Button3Click);
    connect(Button16, &QPushButton::clicked, this, &TFailedForm::Button16Click);
    connect(Button1, &QPushButton::clicked, this, &TFailedForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFailedForm::Button2Click);
    connect(OKButton, &QPushButton::clicked, this, &TFailedForm::OKButtonClick);
    ApplyTexts(kTexts);
}

void TFailedForm::Button3Click() { rundialog::OpenPage(kIntroPage); }
void TFailedForm::Button16Click() { rundialog::OpenPage(kDamagedPage); }
void TFailedForm::Button1Click() { rundialog::OpenPage(kMultiVolumePage); }
void TFailedForm::Button2Click() { rundialog::OpenPage(kEncryptedPage); }
void TFailedForm::OKButtonClick() { accept(); }
