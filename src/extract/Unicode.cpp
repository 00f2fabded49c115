#include "extract/Unicode.h"

#include <QLineEdit>
#include <QPushButton>

#include "extract/Main.h"
#include "ui/About.h"

namespace {

using rundialog::ControlText;

const ControlText kTexts[] = {
    {rundialog::kCaption, " - Extraction Failed", " - Extraction ne fonctionne pas",
     " - Entpacken fehlgeschlagen", " - Fallo de extracción"},
    {"Label2", "Extraction Failed", "Extraction ne fonctionne pas", "Entpacken fehlgeschlagen",
     "Descompresión fallado"},
    {"Label4", "A RAR archive could not be accessed.",
     "Déballage du fichier RAR ne peut pas être terminée.",
     "Das Auspacken der RAR-Datei konnte nicht begonnen werden.",
     "No se ha podido empezar la descompresión del archivo RAR."},
    {"Label1", "The RAR file...", "Le fichier RAR...", "Die RAR-Datei...", "El archivo RAR..."},
    {"Label3", "...can not be opened by this application.", "...a refusé d'être extrait.",
     "...konnte nicht geöffnet werden.", "...ha refusado la extracción."},
    {"Label6", "Reason:", "Cause:", "Ursache:", "Causa:"},
    {"Label13", "Solution:", "Solution:", "Lösung:", "Solución:"},
    {"Label11", "2. Please try again...", "2. S'il vous plaît essayer à nouveau...",
     "2. Bitte starten Sie den Entpackvorgang noch einmal...", "2. Empezar de nuevo por favor..."},
    {"Label12", "3. :-)", "3. :-)", "3. :-)", "3. :-)"},
    {"OKButton", "OK", "OK", "OK", "OK"},
    {"FilenameBox.name", "Archive", "Archive", "Archiv", "Archivo"},
};

// The reason and solution lines when the file name is at fault...
const ControlText kFileNameTexts[] = {
    {"Label7", "Incompatible file name: \"", "Nom de fichier incompatible: \"",
     "Incompatibler Dateiname: \"", "Nombre de archivo incompatible: \""},
    {"Label8",
     "The file name of the RAR file contains one or more unsupported unicode chars. Some unicode ",
     "Le nom de fichier RAR file contient des caractères unicode inconnue. Cette ",
     "Der Dateiname der RAR-Datei enthält unbekannte Unicode-Schirftzeichen. Manche Zeichen ",
     "El nombre de archivo RAR contiene caracteres desconocidos. Algunos caracteres Unicode no "
     "son "},
    {"Label9",
     "chars are not supported by this app (as indicated by the question marks in the file name).",
     "caractères sont pas pris en charge (comme indiqué par les points d'interrogation).",
     "werden von dieser App noch nicht unterstützt (siehe Fragezeichen im Dateinamen).",
     "compatibles con esta aplicación (según lo indicado por los signos de interrogación)."},
    {"Label10", "1. Please rename your RAR file (e.g. \"simple.rar\")...",
     "1. S'il vous plaît renommer vorte fichier RAR (par exemple, \"simple.rar\")...",
     "1. Bitte geben Sie der RAR-Datei einen neuen Namen (z.B. \"einfach.rar\")...",
     "1. Cambiaréis el nombre de su archivo RAR (por ejemplo, \"simple.rar\")..."},
};

// ...and when only the folder path is. French repeats the file-name Label9.
const ControlText kPathTexts[] = {
    {"Label7", "Incompatible path name: \"", "Nom de dossier incompatible: \"",
     "Incompatibler Pfadname: \"", "Nombre de carpeta incompatible: \""},
    {"Label8",
     "The path name of the folder that the RAR file is located in contains one or more unicode "
     "chars.",
     "Le nom de dossier oú se trouve le fichier RAR contient des caractères inconnue. Cette ",
     "Der Pfadname des Ordners, in dem sich die RAR-Datei befindet, enthält unbekannte "
     "Schriftzeichen.",
     "El nombre de la carpeta de archivo RAR contiene caracteres desconocidos. Algunos "
     "caracteres Unicode "},
    {"Label9",
     "These are not supported by this app (as indicated by the question marks in the path name).",
     "caractères sont pas pris en charge (comme indiqué par les points d'interrogation).",
     "Manche Unicode-Zeichen werden von dieser App noch nicht unterstützt (Fragezeichen im Pfad).",
     "no son compatibles con esta aplicación (según lo indicado por los signos de "
     "interrogación)."},
    {"Label10", "1. Please move your RAR file to a root folder (e.g. \"C:\\\")...",
     "1. S'il vous plaît déplacer vorte fichier RAR vers un autre dossier (par exemple, "
     "\"C:\\\")...",
     "1. Bitte verschieben Sie die RAR-Datei in ein Stammverzeichnis (z.B. \"C:\\\")...",
     "1. Moveréis su archivo RAR (por ejemplo, \"C:\\\")..."},
};

}  // namespace

TNoUnicodeForm::TNoUnicodeForm(TMobrelProgressForm& run, const QString& archivePath,
                               QWidget* parent)
    : TRunDialog("NoUnicodeForm", run.frmConfig ? run.frmConfig->InterfaceLanguage : 0, 413,
                 parent) {
    const int slash = archivePath.lastIndexOf(QLatin1Char('/'));
    const QString fileName = archivePath.mid(slash + 1);
    const QString folder = archivePath.left(slash + 1);
    FileNameIncompatible = fileName.contains(QLatin1Char('?'));

    Label1 = NewLabel(this, "Label1", 23, 79);
    FilenameBox = NewNameBox(this, "FilenameBox", 23, 103, 474);
    FilenameBox->setText(fileName);
    FilenameBox->setToolTip(folder);
    Label3 = NewLabel(this, "Label3", 23, 133);
    Label6 = NewLabel(this, "Label6", 23, 160, Style::Bold);
    // A long name is cut by the label's width; the hint holds the whole text.
    Label7 = NewLabel(this, "Label7", 23, 178, Style::Italic, 482);
    Label8 = NewLabel(this, "Label8", 23, 196);
    Label9 = NewLabel(this, "Label9", 23, 212);
    Label13 = NewLabel(this, "Label13", 23, 242, Style::Bold);
    Label10 = NewLabel(this, "Label10", 23, 260);
    Label11 = NewLabel(this, "Label11", 23, 276);
    Label12 = NewLabel(this, "Label12", 23, 292);
    OKButton = NewButton(Panel2, "OKButton", 447, 9, 75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &TNoUnicodeForm::OKButtonClick);
    ApplyTexts(kTexts);
}

void TNoUnicodeForm::FormShow() {
    const ControlText* rows = FileNameIncompatible ? kFileNameTexts : kPathTexts;
    const QString named = FileNameIncompatible ? FilenameBox->text() : FilenameBox->toolTip();
    ApplyTexts(rows, 4);
    // The longest first line (Spanish) is wider than the room right of the
    // margin: it then starts further left rather than run past the edge.
    Label8->move(qMin(23, width() - 8 - Label8->width()), Label8->y());
    Label7->setText(Text(rows[0]) + named + QLatin1Char('"'));
    Label7->setToolTip(Label7->text());
}

void TNoUnicodeForm::showEvent(QShowEvent* event) {
    FormShow();
    TRunDialog::showEvent(event);
}

void TNoUnicodeForm::OKButtonClick() { accept(); }
