#include "ui/Languages.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <limits>

#include "platform/Messages.h"
#include "settings/Settings.h"
#include "ui/Pictures.h"

namespace languages {

DialogLanguage DialogLanguageOf(std::int32_t code) {
    switch (code) {
        case 1031:
        case 4103:
            return DialogLanguage::German;
        case 1034:
        case 1069:
        case 3082:
            return DialogLanguage::Spanish;
        case 1036:
            return DialogLanguage::French;
        default:
            return DialogLanguage::English;
    }
}

namespace {

// One control's text; "{title}" stands for the application title.
struct Row {
    const char* control;
    const char* text;
};

// The English base, set at every application before any language's own
// texts, so that nothing of a previous language stays behind. The
// instruction lines come from the table's English entry.
constexpr Row kEnglishBase[] = {
    {"t1", "Options"},
    {"GroupBox1", " Password Protected Files  "},
    {"CheckBox4", "Try to open encrypted files with default password"},
    {"CheckBox8", "Try to open encrypted files with passwords from password list"},
    {"Button10", "Edit list..."},
    {"Button7", "Choose list..."},
    {"CheckBox10",
     "Try to open files with archive name as password (e.g. FreeHug7.rar --> FreeHug7)"},
    {"GroupBox2", " Output Folder  "},
    {"RadioButton1", "Extract files to the same folder that the RAR file is located in"},
    {"RadioButton2", "Extract files to the default output folder"},
    {"Button4", "Browse..."},
    {"CheckBox3", "Create new subfolder for each archive"},
    {"CheckBox11", "Show output folder after extracting"},
    {"TabSheet1", "Interface"},
    {"GroupBox3", " General  "},
    {"CheckBox5", "Detect language automatically"},
    {"CheckBox12", "Show main window always on top at next program start-up"},
    {"CheckBox2", "Show \"Unrar...\" button at bottom right corner of main image"},
    {"GroupBox4", " Dialogs  "},
    {"CheckBox1", "Show \"Welcome...\" dialog at next program start-up"},
    {"CheckBox7", "Show \"Unrar...\" dialog at program start-up"},
    {"CheckBox13", "Do not show confirmation dialog --> Always overwrite without asking"},
    {"CheckBox9", "Show wizard dialog before extracting"},
    {"TabSheet2", "About"},
    {"Button17", "Update..."},
    {"Button2", "License..."},
    {"Button19", "Donate..."},
    {"TabSheet3", "Author"},
    {"Button3", "Free Apps..."},
    {"Button9", "Free eBooks..."},
    {"Button6", "More..."},
    {"TabSheet4", "More"},
    {"Button5", "Free Fonts..."},
    {"Button11", "Free Screensavers..."},
    {"Button8", "More..."},
    {"TabSheet5", "Help"},
    {"StaticText1", "How can I unrar my RAR file with {title}?"},
    {"StaticText3", "--> Click \"Unrar...\", select your file and enjoy..."},
    {"StaticText6", "1. Click \"Unrar..\""},
    {"StaticText7", "2. Choose file"},
    {"StaticText8", "3. Enjoy!"},
    {"StaticText4", "Read online FAQ with detailed answers to all other popular questions..."},
    {"StaticText9", "Watch a short video that demontrates other popular ways to unrar..."},
    {"Button12", "Learn more..."},
};

// French: every base row; the tab captions t1, TabSheet1 and TabSheet2 stay
// the English words.
constexpr Row kFrench[] = {
    {"t1", "Options"},
    {"GroupBox1", " Fichiers protégés par mot de passe  "},
    {"CheckBox4", "Essayer d'ouvrir les fichiers cryptés avec le mot de passe par défaut"},
    {"CheckBox8", "Essayer d'ouvrir les fichiers cryptés avec la liste de mots de passe"},
    {"Button10", "Modifier la liste..."},
    {"Button7", "Choisir la liste..."},
    {"CheckBox10",
     "Essayer le nom de l'archive comme mot de passe (ex. FreeHug7.rar --> FreeHug7)"},
    {"GroupBox2", " Dossier de destination  "},
    {"RadioButton1", "Extraire les fichiers dans le dossier du fichier RAR"},
    {"RadioButton2", "Extraire les fichiers dans le dossier de destination par défaut"},
    {"Button4", "Parcourir..."},
    {"CheckBox3", "Créer un sous-dossier pour chaque archive"},
    {"CheckBox11", "Afficher le dossier de destination après l'extraction"},
    {"TabSheet1", "Interface"},
    {"GroupBox3", " Général  "},
    {"CheckBox5", "Détecter automatiquement la langue"},
    {"CheckBox12", "Garder la fenêtre principale au premier plan au prochain démarrage"},
    {"CheckBox2", "Afficher le bouton «Unrar...» en bas à droite de l'image principale"},
    {"GroupBox4", " Boîtes de dialogue  "},
    {"CheckBox1", "Afficher la boîte «Bienvenue...» au prochain démarrage"},
    {"CheckBox7", "Afficher la boîte «Unrar...» au démarrage du programme"},
    {"CheckBox13", "Pas de confirmation --> Toujours remplacer sans demander"},
    {"CheckBox9", "Afficher l'assistant avant l'extraction"},
    {"TabSheet2", "About"},
    {"Button17", "Mise à jour..."},
    {"Button2", "Licence..."},
    {"Button19", "Faire un don..."},
    {"TabSheet3", "Auteur"},
    {"Button3", "Applis gratuites..."},
    {"Button9", "eBooks gratuits..."},
    {"Button6", "Plus..."},
    {"TabSheet4", "Plus"},
    {"Button5", "Polices gratuites..."},
    {"Button11", "Écrans de veille..."},
    {"Button8", "Plus..."},
    {"TabSheet5", "Aider"},
    {"StaticText1", "Comment puis-je extraire mon fichier RAR avec {title}?"},
    {"StaticText3", "--> Cliquez sur «Unrar...», sélectionnez votre fichier et amusez-vous..."},
    {"StaticText6", "1. Cliquez sur «Unrar...»"},
    {"StaticText7", "2. Choisissez votre fichier"},
    {"StaticText8", "3. Amusez-vous!"},
    {"StaticText4", "Lire la FAQ en ligne : des réponses détaillées aux autres questions..."},
    {"StaticText9", "Regarder une courte vidéo sur d'autres façons de décompresser..."},
    {"Button12", "En savoir plus..."},
};

// German: every base row but Button17, which keeps "Update...".
constexpr Row kGerman[] = {
    {"t1", "Optionen"},
    {"GroupBox1", " Passwortgeschützte Dateien  "},
    {"CheckBox4", "Verschlüsselte Dateien mit dem Standardpasswort öffnen"},
    {"CheckBox8", "Verschlüsselte Dateien mit Passwörtern aus der Passwortliste öffnen"},
    {"Button10", "Liste bearbeiten..."},
    {"Button7", "Liste wählen..."},
    {"CheckBox10", "Archivname als Passwort versuchen (z. B. FreeHug7.rar --> FreeHug7)"},
    {"GroupBox2", " Zielordner  "},
    {"RadioButton1", "Dateien in den Ordner der RAR-Datei entpacken"},
    {"RadioButton2", "Dateien in den Standard-Zielordner entpacken"},
    {"Button4", "Durchsuchen..."},
    {"CheckBox3", "Für jedes Archiv einen neuen Unterordner anlegen"},
    {"CheckBox11", "Zielordner nach dem Entpacken anzeigen"},
    {"TabSheet1", "Interface"},
    {"GroupBox3", " Allgemein  "},
    {"CheckBox5", "Sprache automatisch erkennen"},
    {"CheckBox12", "Hauptfenster ab dem nächsten Start immer im Vordergrund zeigen"},
    {"CheckBox2", "Schaltfläche \"Unrar...\" unten rechts im Hauptbild anzeigen"},
    {"GroupBox4", " Dialoge  "},
    {"CheckBox1", "Dialog \"Willkommen...\" beim nächsten Programmstart anzeigen"},
    {"CheckBox7", "Dialog \"Unrar...\" beim Programmstart anzeigen"},
    {"CheckBox13", "Keine Rückfrage --> Dateien immer ohne Nachfrage überschreiben"},
    {"CheckBox9", "Assistenten vor dem Entpacken anzeigen"},
    {"TabSheet2", "About"},
    {"Button2", "Lizenz..."},
    {"Button19", "Spenden..."},
    {"TabSheet3", "Autor"},
    {"Button3", "Gratis-Apps..."},
    {"Button9", "Gratis-E-Books..."},
    {"Button6", "Mehr..."},
    {"TabSheet4", "Mehr"},
    {"Button5", "Gratis-Schriften..."},
    {"Button11", "Bildschirmschoner..."},
    {"Button8", "Mehr..."},
    {"TabSheet5", "Hilfe"},
    {"StaticText1", "Wie entpacke ich meine RAR-Datei mit {title}?"},
    {"StaticText3", "--> Klicken Sie \"Unrar...\", wählen Sie Ihre Datei und genießen Sie..."},
    {"StaticText6", "1. \"Unrar...\" klicken"},
    {"StaticText7", "2. Datei wählen"},
    {"StaticText8", "3. Genießen!"},
    {"StaticText4", "Online-FAQ mit ausführlichen Antworten auf alle weiteren Fragen lesen..."},
    {"StaticText9", "Kurzes Video mit weiteren Wegen zum Entpacken ansehen..."},
    {"Button12", "Details lesen..."},
};

// Spanish: every base row but Button3, Button9 and the More page's two
// project buttons, which keep their English titles.
constexpr Row kSpanish[] = {
    {"t1", "Opciones"},
    {"GroupBox1", " Archivos protegidos con contraseña  "},
    {"CheckBox4", "Intentar abrir archivos cifrados con la contraseña predeterminada"},
    {"CheckBox8", "Intentar abrir archivos cifrados con las contraseñas de la lista"},
    {"Button10", "Editar lista..."},
    {"Button7", "Elegir lista..."},
    {"CheckBox10",
     "Probar el nombre del archivo como contraseña (p. ej. FreeHug7.rar --> FreeHug7)"},
    {"GroupBox2", " Carpeta de destino  "},
    {"RadioButton1", "Extraer en la misma carpeta en la que está el archivo RAR"},
    {"RadioButton2", "Extraer en la carpeta de destino predeterminada"},
    {"Button4", "Examinar..."},
    {"CheckBox3", "Crear una subcarpeta nueva para cada archivo"},
    {"CheckBox11", "Mostrar la carpeta de destino después de extraer"},
    {"TabSheet1", "Interfaz"},
    {"GroupBox3", " General  "},
    {"CheckBox5", "Detectar el idioma automáticamente"},
    {"CheckBox12", "Mostrar la ventana principal siempre encima al próximo inicio"},
    {"CheckBox2", "Mostrar el botón \"Unrar...\" abajo a la derecha de la imagen principal"},
    {"GroupBox4", " Diálogos  "},
    {"CheckBox1", "Mostrar el diálogo \"Bienvenido...\" al próximo inicio"},
    {"CheckBox7", "Mostrar el diálogo \"Unrar...\" al iniciar el programa"},
    {"CheckBox13", "No pedir confirmación --> Sobrescribir siempre sin preguntar"},
    {"CheckBox9", "Mostrar el asistente antes de extraer"},
    {"TabSheet2", "About"},
    {"Button17", "Actualizaciones..."},
    {"Button2", "Licencia..."},
    {"Button19", "Donar..."},
    {"TabSheet3", "Autor"},
    {"Button6", "Más..."},
    {"TabSheet4", "Más"},
    {"Button8", "Más..."},
    {"TabSheet5", "Ayuda"},
    {"StaticText1", "¿Como descomprimir archivos en formato RAR con {title}?"},
    {"StaticText3", "--> Haga un clic en el botón \"Unrar...\", seleccione archivo y disfrute..."},
    {"StaticText6", "1. Haga un clic en \"Unrar...\""},
    {"StaticText7", "2. Seleccione archivo"},
    {"StaticText8", "3. Disfrute!"},
    {"StaticText4", "Lea en línea las preguntas frecuentes con respuestas detalladas..."},
    {"StaticText9", "Vea un breve vídeo con otras formas populares de descomprimir..."},
    {"Button12", "Leer detalles..."},
};

template <std::size_t N>
void SetRows(QWidget& window, const Row (&rows)[N], const QString& title) {
    for (const Row& row : rows) {
        QString text = QString::fromUtf8(row.text);
        text.replace(QLatin1String("{title}"), title);
        SetControlText(window, QString::fromLatin1(row.control), text);
    }
}

QWidget* FindIn(QWidget& parent, const QString& name) {
    for (QObject* child : parent.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        // Dialogs the window owns are windows of their own, with names of
        // their own (the welcome dialog has a CheckBox9 too).
        if (!widget || widget->isWindow()) continue;
        if (widget->objectName() == name) return widget;
        if (QWidget* found = FindIn(*widget, name)) return found;
    }
    return nullptr;
}

void SetVisible(QWidget& window, const char* name, bool visible) {
    if (QWidget* w = Control(window, QString::fromLatin1(name))) w->setVisible(visible);
}

bool AutomaticMode(const std::string& folder) {
    return settings::Store(folder).exists(settings::kAutoLang);
}

QStringList Lines4(const Language& language) {
    QStringList lines;
    for (const char* line : language.text) lines << QString::fromUtf8(line);
    return lines;
}

void ShowPicture(QWidget& window, const Language& language) {
    auto* strip = qobject_cast<QLabel*>(Control(window, QStringLiteral("LanguageImage")));
    SetVisible(window, "Memo2", false);
    if (!strip) return;
    const bool arabic = qstrcmp(language.picture, kArabicPicture) == 0;
    const QPixmap picture = pictures::Pixmap(QString::fromLatin1(language.picture));
    strip->setPixmap(picture);
    const int top = arabic ? kStripTop : kPictureTop;
    const int height = picture.isNull() ? strip->height() : picture.height();
    strip->setGeometry(strip->x(), top, strip->width(), height);
    strip->show();
}

}  // namespace

int IndexOfCode(std::int32_t code) {
    if (code == 0) return -1;
    const auto& table = Table();
    for (int i = 0; i < kLanguageCount; ++i) {
        const Language& l = table[static_cast<std::size_t>(i)];
        if (l.code == code || l.also[0] == code || l.also[1] == code) return i;
    }
    return -1;
}

std::int32_t ParseCode(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return kEnglish;
    return static_cast<std::int32_t>(value);
}

QString InstallerKey(const QString& applicationTitle) {
    return applicationTitle + QStringLiteral(" - Lumox");
}

namespace {

// On Linux the machine-wide copy lives in the first of the XDG configuration
// folders, the user's in XDG_CONFIG_HOME; read afresh each time, so that a
// run with its own folders (a test, a packaged system) finds its own copy.
void FollowXdgFolders() {
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    const QString machine = qEnvironmentVariable("XDG_CONFIG_DIRS")
                                .split(QLatin1Char(':'), Qt::SkipEmptyParts)
                                .value(0);
    if (!machine.isEmpty())
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine);
    const QString user = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!user.isEmpty()) QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, user);
#endif
}

}  // namespace

std::int32_t DetectedLanguage(const QString& applicationTitle) {
    FollowXdgFolders();
    const QString key = QString::fromLatin1(kInstallerValue);
    QSettings machine(QSettings::SystemScope, QStringLiteral("Ostrel"),
                      InstallerKey(applicationTitle));
    if (machine.contains(key)) return ParseCode(machine.value(key).toString());

    std::int32_t code = kEnglish;
    {
        QSettings user(QSettings::UserScope, QStringLiteral("Ostrel"),
                       InstallerKey(applicationTitle));
        user.setFallbacksEnabled(false);  // only the user's own copy counts here
        if (user.contains(key)) code = ParseCode(user.value(key).toString());
    }
    if (code != kEnglish) {
        // The machine-wide copy may not be writable for this user; the
        // language is applied all the same.
        machine.setValue(key, QString::number(code));
        machine.sync();
    }
    return code;
}

PageAddresses AddressesFor(std::int32_t code) {
    PageAddresses a;
    if (DialogLanguageOf(code) == DialogLanguage::German) {
        a.product = QStringLiteral("https://www.ostrel.net/de/tarnwick/");
        a.faq = QStringLiteral("https://www.ostrel.net/de/tarnwick/faq/");
        a.update = QStringLiteral("https://www.ostrel.net/de/update/?UID=240");
        a.donate = QStringLiteral("https://www.ostrel.net/de/spenden/");
        a.home = QStringLiteral("https://www.ostrel.net/de/");
        a.apps = QStringLiteral("https://www.ostrel.net/de/apps/");
        a.books = QStringLiteral("https://www.ostrel.net/de/ebooks/");
        a.projects = QStringLiteral("https://www.ostrel.net/de/projekte/");
        a.project1 = QStringLiteral("https://www.ostrel.net/de/schriften/");
        a.project2 = QStringLiteral("https://www.ostrel.net/de/bildschirmschoner/");
        return a;
    }
    a.product = QStringLiteral("https://www.ostrel.net/tarnwick/");
    a.faq = QStringLiteral("https://www.ostrel.net/tarnwick/faq/");
    a.update = QStringLiteral("https://www.ostrel.net/update/?UID=240");
    a.donate = QStringLiteral("https://www.ostrel.net/donate/");
    a.home = QStringLiteral("https://www.ostrel.net/");
    a.apps = QStringLiteral("https://www.ostrel.net/apps/");
    a.books = QStringLiteral("https://www.ostrel.net/ebooks/");
    a.projects = QStringLiteral("https://www.ostrel.net/projects/");
    a.project1 = QStringLiteral("https://www.ostrel.net/fonts/");
    a.project2 = code == 1036 ? QStringLiteral("https://www.ostrel.net/fr/economiseurs/")
                              : QStringLiteral("https://www.ostrel.net/screensavers/");
    return a;
}

QWidget* Control(QWidget& window, const QString& name) {
    if (window.objectName() == name) return &window;
    return FindIn(window, name);
}

bool SetControlText(QWidget& window, const QString& name, const QString& text) {
    QWidget* w = Control(window, name);
    if (!w) return false;
    // A page of a tab control: its caption is the tab's text.
    if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget())) {
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget())) {
            const int index = tabs->indexOf(w);
            if (index >= 0) {
                tabs->setTabText(index, text);
                return true;
            }
        }
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->setPlainText(text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        // New text takes the first paragraph's alignment (the instruction
        // lines are centred).
        const Qt::Alignment alignment = rich->document()->firstBlock().blockFormat().alignment();
        rich->setPlainText(text);
        QTextCursor all(rich->document());
        all.select(QTextCursor::Document);
        QTextBlockFormat format;
        format.setAlignment(alignment);
        all.mergeBlockFormat(format);
    } else {
        return false;
    }
    return true;
}

void Apply(MainWindow w, bool senderIsList) {
    const bool automatic = AutomaticMode(w.settingsFolder);
    if (automatic) w.interfaceLanguage = DetectedLanguage(w.applicationTitle);
    const std::int32_t code = w.interfaceLanguage;
    QWidget& window = w.window;

    // The English base, pictures and addresses included. The strip goes back
    // to its design place, empty until a picture language fills it.
    if (auto* strip = qobject_cast<QLabel*>(Control(window, QStringLiteral("LanguageImage")))) {
        strip->hide();
        strip->clear();
        strip->setGeometry(strip->x(), kStripTop, strip->width(), kStripHeight);
    }
    SetVisible(window, "Image12", false);
    SetVisible(window, "Memo2", true);
    const Language& english = Table()[kEnglishIndex];
    SetControlText(window, QStringLiteral("Memo2"), Lines4(english).join(QLatin1Char('\n')));
    SetRows(window, kEnglishBase, w.applicationTitle);
    w.addresses = AddressesFor(kEnglish);
    SetVisible(window, "Image31", true);
    SetVisible(window, "Image6", true);
    SetVisible(window, "Image4", false);

    const int index = IndexOfCode(code);
    if (index < 0) return;
    const Language& language = Table()[static_cast<std::size_t>(index)];

    if (language.lines == Lines::Picture)
        ShowPicture(window, language);
    else
        SetControlText(window, QStringLiteral("Memo2"), Lines4(language).join(QLatin1Char('\n')));

    if (automatic || senderIsList) {
        if (auto* list =
                qobject_cast<QComboBox*>(Control(window, QStringLiteral("LanguageCombo")))) {
            const QSignalBlocker quiet(list);  // the program's own selection is no choice
            list->setCurrentIndex(index);
        }
    }

    if (index == kEnglishIndex) return;
    SetControlText(window, QStringLiteral("t1"), QString::fromUtf8(language.optionsCaption));
    const DialogLanguage full = DialogLanguageOf(language.code);
    if (full != DialogLanguage::French && full != DialogLanguage::German)
        SetControlText(window, QStringLiteral("GroupBox3"), QStringLiteral(" General  "));
    if (language.lines != Lines::Full) return;

    switch (full) {
        case DialogLanguage::French:
            SetRows(window, kFrench, w.applicationTitle);
            w.addresses = AddressesFor(language.code);
            break;
        case DialogLanguage::German:
            SetRows(window, kGerman, w.applicationTitle);
            SetVisible(window, "Image12", true);
            SetVisible(window, "Image4", true);
            SetVisible(window, "Image31", false);
            SetVisible(window, "Image6", false);
            w.addresses = AddressesFor(language.code);
            break;
        case DialogLanguage::Spanish:
            SetRows(window, kSpanish, w.applicationTitle);
            break;
        case DialogLanguage::English:
            break;
    }
}

void ChooseFromList(MainWindow w, int index, bool senderIsList) {
    if (AutomaticMode(w.settingsFolder)) return;
    if (index < 0 || index >= kLanguageCount) return;
    w.interfaceLanguage = Table()[static_cast<std::size_t>(index)].code;
    const settings::Store store(w.settingsFolder);
    if (!store.writeValue(settings::kLanguage, std::to_string(w.interfaceLanguage)))
        platform::ShowMessage("Configuration file could not be created.", "Error 11");
    Apply(w, senderIsList);
}

void SetAutomatic(MainWindow w, bool on, bool senderIsList) {
    const settings::Store store(w.settingsFolder);
    if (on) {
        store.setFlag(settings::kAutoLang);
        Apply(w, senderIsList);
    } else {
        store.clearFlag(settings::kAutoLang);
    }
    if (QWidget* list = Control(w.window, QStringLiteral("LanguageCombo"))) list->setEnabled(!on);
}

void FillList(QComboBox& list) {
    const QSignalBlocker quiet(&list);
    list.clear();
    for (const Language& language : Table()) list.addItem(QString::fromUtf8(language.name));
    list.setMaxVisibleItems(19);
    list.setEditable(false);
    list.setCurrentIndex(-1);
}

}  // namespace languages
