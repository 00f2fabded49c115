#include "ui/Languages.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QSettings>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <limits>

#include "settings/Settings.h"
#include "ui/About.h"

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

// French: every base row; the tab captions t1, TabSheet1 and TabSheet2 stay
// the English words.
constexpr Row kFrench[] = {
    {"t1", "Options"},
    {"GroupBox1", " Fichiers protégés par mot de passe  "},
    {"CheckBox4", "Essayer d'ouvrir les fichiers cryptés avec le mot de passe par défaut"},
    {"CheckBox8", "Essayer d'ouvrir les fichiers cryptés avec la liste de mots de passe"},
    {"Button10", "Modifier la liste..."},
    {"Button7", "Choisir la liste..."},
    {"CheckBox10", "Nom d'archive comme mot de passe (ex. FreeHug7.rar --> FreeHug7)"},
    {"GroupBox2", " Dossier de destination  "},
    {"RadioButton1", "Extraire les fichiers dans le dossier du fichier RAR"},
    {"RadioButton2", "Extraire vers le dossier par défaut"},
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
    {"Button5", "Quenfold..."},
    {"Button11", "Plimsy..."},
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
    {"RadioButton2", "In den Standard-Zielordner entpacken"},
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
    {"Button5", "Quenfold..."},
    {"Button11", "Plimsy..."},
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
    {"CheckBox10", "Nombre del archivo como contraseña (ej. FreeHug7.rar --> FreeHug7)"},
    {"GroupBox2", " Carpeta de destino  "},
    {"RadioButton1", "Extraer en la misma carpeta en la que está el archivo RAR"},
    {"RadioButton2", "Extraer en la carpeta predeterminada"},
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

// What assistive tools read for the controls that show no words of their own
// or whose words do not say what they do: control, what (n = name, d =
// description, t = text of a label that only assistive tools read), then English, French, German,
// Spanish. "{title}" stands for the application title.
struct AccessibleRow {
    const char* control;
    char what;
    std::array<const char*, 4> text;
};
constexpr AccessibleRow kAccessibleNames[] = {
    {"PasswordEdit",
     'n',
     {"Default password", "Mot de passe par défaut", "Standardpasswort",
      "Contraseña predeterminada"}},
    {"LanguageCombo",
     'n',
     {"Interface language", "Langue de l'interface", "Sprache der Oberfläche",
      "Idioma de la interfaz"}},
    // A list's name on Linux is its value; its label is read from its buddy.
    {"LanguageLabel",
     't',
     {"Interface language", "Langue de l'interface", "Sprache der Oberfläche",
      "Idioma de la interfaz"}},
    {"PageControl1", 'n', {"{title}", "{title}", "{title}", "{title}"}},
    {"StaticText13",
     'n',
     {"Default output folder", "Dossier de destination par défaut", "Standard-Zielordner",
      "Carpeta de destino predeterminada"}},
    {"StaticText13",
     'd',
     {"Choose another folder", "Choisir un autre dossier", "Anderen Ordner wählen",
      "Elegir otra carpeta"}},
    {"Image2",
     'd',
     {"Choose archives to extract, or drop them here",
      "Choisir les archives à extraire, ou les déposer ici",
      "Archive zum Entpacken wählen oder hier ablegen",
      "Elegir archivos para extraer, o soltarlos aquí"}},
    {"Image24",
     'd',
     {"Choose archives to extract", "Choisir les archives à extraire",
      "Archive zum Entpacken wählen", "Elegir archivos para extraer"}},
    {"LanguageImage",
     'n',
     {"How to unpack an archive", "Comment décompresser une archive", "So entpacken Sie ein Archiv",
      "Cómo descomprimir un archivo"}},
    {"StaticText2",
     'd',
     {"Web site of {title}", "Site web de {title}", "Website von {title}", "Sitio web de {title}"}},
    {"StaticText5",
     'd',
     {"Home page of Ostrel", "Page d'accueil d'Ostrel", "Homepage von Ostrel",
      "Página de inicio de Ostrel"}},
    {"Image12",
     'n',
     {"Home page of Ostrel", "Page d'accueil d'Ostrel", "Homepage von Ostrel",
      "Página de inicio de Ostrel"}},
    {"Image31",
     'n',
     {"Home page of Ostrel", "Page d'accueil d'Ostrel", "Homepage von Ostrel",
      "Página de inicio de Ostrel"}},
    {"Image4",
     'n',
     {"Projects of Ostrel", "Projets d'Ostrel", "Projekte von Ostrel", "Proyectos de Ostrel"}},
    {"Image6",
     'n',
     {"Projects of Ostrel", "Projets d'Ostrel", "Projekte von Ostrel", "Proyectos de Ostrel"}},
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

bool AutomaticMode(const std::string& folder) {
    return settings::Store(folder).exists(settings::kAutoLang);
}

QStringList Lines4(const Language& language) {
    QStringList lines;
    for (const char* line : language.text) lines << QString::fromUtf8(line);
    return lines;
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

// On Linux the machine-wide copy lives in one of the XDG configuration
// folders: the first that holds it, else the last (the generic one, /etc/xdg
// on most systems); the user's copy lives in XDG_CONFIG_HOME. Read afresh each
// time, so that a run with folders of its own finds its own copies.
void FollowXdgFolders(const QString& applicationTitle) {
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    const QStringList machineFolders =
        qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (!machineFolders.isEmpty()) {
        QString machine = machineFolders.last();
        const QString file =
            QStringLiteral("/Ostrel/") + InstallerKey(applicationTitle) + QStringLiteral(".conf");
        for (const QString& folder : machineFolders) {
            if (QFileInfo::exists(folder + file)) {
                machine = folder;
                break;
            }
        }
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine);
    }
    const QString user = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!user.isEmpty()) QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, user);
#else
    (void)applicationTitle;
#endif
}

}  // namespace

namespace {

// Language codes (ISO 639, as locale names spell them) and the table's code
// for each; a territory or modifier that picks another entry or accepted code
// is told apart in CodeOfLocale.
struct LocaleLanguage {
    const char* language;
    std::int32_t code;
};
constexpr LocaleLanguage kLocaleLanguages[] = {
    {"af", 1078},   {"sq", 1052}, {"ar", 1025},  {"be", 1059},  {"bs", 5146}, {"bg", 1026},
    {"ca", 1027},   {"zh", 2052}, {"hr", 1050},  {"cs", 1029},  {"da", 1030}, {"nl", 1043},
    {"en", 1033},   {"eo", 9998}, {"et", 1061},  {"fa", 1065},  {"fi", 1035}, {"fr", 1036},
    {"gl", 1110},   {"de", 1031}, {"el", 1032},  {"he", 1037},  {"iw", 1037}, {"hi", 10001},
    {"hu", 1038},   {"is", 15},   {"id", 1057},  {"in", 1057},  {"it", 1040}, {"ja", 1041},
    {"ko", 1042},   {"ku", 9999}, {"ckb", 9999}, {"kmr", 9999}, {"lv", 1062}, {"lt", 1063},
    {"mk", 1071},   {"ms", 1086}, {"mt", 10002}, {"mn", 1104},  {"nb", 1044}, {"no", 1044},
    {"nn", 2068},   {"pl", 1045}, {"pt", 1046},  {"ro", 1048},  {"ru", 1049}, {"sr", 3098},
    {"sk", 1051},   {"sl", 1060}, {"es", 1034},  {"eu", 1069},  {"sv", 1053}, {"tl", 10004},
    {"fil", 10004}, {"th", 1054}, {"tr", 1055},  {"uk", 1058},  {"uz", 1091}, {"cy", 1160},
};

// Known: a language the table names (English included); 0 otherwise.
std::int32_t KnownCodeOfLocale(const QString& locale) {
    QString name = locale.trimmed();
    QString modifier;
    if (const int at = name.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = name.mid(at + 1).toLower();
        name.truncate(at);
    }
    if (const int dot = name.indexOf(QLatin1Char('.')); dot >= 0) name.truncate(dot);
    const QString language = name.section(QLatin1Char('_'), 0, 0).toLower();
    const QString territory = name.section(QLatin1Char('_'), 1).toUpper();
    for (const LocaleLanguage& l : kLocaleLanguages) {
        if (language != QLatin1String(l.language)) continue;
        if (l.code == 2052 &&
            (territory == QLatin1String("TW") || territory == QLatin1String("HK") ||
             territory == QLatin1String("MO")))
            return 1028;  // Chinese in traditional characters
        if (l.code == 3098 && modifier == QLatin1String("latin")) return 2074;
        if (l.code == 1046 && !territory.isEmpty() && territory != QLatin1String("BR"))
            return 2070;  // European Portuguese
        return l.code;
    }
    return 0;
}

bool IsPlainCLocale(const QString& locale) {
    const QString name = locale.section(QLatin1Char('.'), 0, 0);
    return name == QLatin1String("C") || name == QLatin1String("POSIX");
}

}  // namespace

std::int32_t CodeOfLocale(const QString& locale) {
    const std::int32_t code = KnownCodeOfLocale(locale);
    return code ? code : kEnglish;
}

std::int32_t DesktopLanguage() {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty()) break;
    }
    if (locale.isEmpty() || IsPlainCLocale(locale)) return kEnglish;
    // LANGUAGE lists the languages a user reads in order of preference; the
    // first one this program speaks wins.
    for (const QString& preferred :
         qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (const std::int32_t code = KnownCodeOfLocale(preferred)) return code;
    return CodeOfLocale(locale);
}

std::int32_t DetectedLanguage(const QString& applicationTitle) {
    FollowXdgFolders(applicationTitle);
    const QString key = QString::fromLatin1(kInstallerValue);
    QSettings machine(QSettings::SystemScope, QStringLiteral("Ostrel"),
                      InstallerKey(applicationTitle));
    machine.setFallbacksEnabled(false);  // the product's own key, not the maker's
    if (machine.contains(key)) return ParseCode(machine.value(key).toString());

    std::int32_t code = kEnglish;
    {
        QSettings user(QSettings::UserScope, QStringLiteral("Ostrel"),
                       InstallerKey(applicationTitle));
        user.setFallbacksEnabled(false);  // only the user's own copy counts here
#ifdef Q_OS_WIN
        // No value in the registry: English. The locale reading stands in for
        // the installer on Linux only.
        if (!user.contains(key)) return kEnglish;
#else
        if (!user.contains(key)) return DesktopLanguage();
#endif
        code = ParseCode(user.value(key).toString());
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
    PageAddresses a = kEnglishPageAddresses;
    switch (DialogLanguageOf(code)) {
        case DialogLanguage::German:
            a.product = QStringLiteral("https://tarnwick.example/de/");
            a.faq = QStringLiteral("https://tarnwick.example/de/faq/");
            a.update = QStringLiteral("https://tarnwick.example/de/update/?UID=240");
            a.donate = QStringLiteral("https://tarnwick.example/de/spenden/");
            a.home = QStringLiteral("https://ostrel.example/de/");
            a.apps = QStringLiteral("https://ostrel.example/de/apps/");
            a.books = QStringLiteral("https://ostrel.example/de/ebooks/");
            a.projects = QStringLiteral("https://ostrel.example/de/projekte/");
            a.project1 = QStringLiteral("https://quenfold.example/de/");
            a.project2 = QStringLiteral("https://plimsy.example/de/");
            break;
        case DialogLanguage::French:
            if (code == 1036) a.project2 = QStringLiteral("https://plimsy.example/fr/");
            break;
        default:
            break;
    }
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

void Apply(TfrmConfig& w, QObject* sender) {
    const bool automatic = AutomaticMode(w.SettingsFolder);
    if (automatic) w.InterfaceLanguage = DetectedLanguage(w.ApplicationTitle);
    const std::int32_t code = w.InterfaceLanguage;

    // The English base, pictures and addresses included. The strip goes back
    // to its design place, empty until a picture language fills it.
    w.LanguageImage->hide();
    w.LanguageImage->setPicture(QString());
    w.LanguageImage->setGeometry(w.LanguageImage->x(), kStripTop, w.LanguageImage->width(),
                                 kStripHeight);
    w.Image12->hide();
    w.Memo2->show();
    w.ApplyEnglishTexts();

    const int index = IndexOfCode(code);
    if (index < 0) return;
    const Language& language = Table()[static_cast<std::size_t>(index)];

    if (language.lines == Lines::Picture) {
        // Arabic is the strip's own picture at its design place; the others
        // are three pixels taller and sit three higher.
        const bool arabic = qstrcmp(language.picture, kArabicPicture) == 0;
        w.Memo2->hide();
        w.LanguageImage->setGeometry(w.LanguageImage->x(), arabic ? kStripTop : kPictureTop,
                                     w.LanguageImage->width(),
                                     arabic ? kStripHeight : kPictureHeight);
        w.LanguageImage->setPicture(QString::fromLatin1(language.picture));
        w.LanguageImage->show();
    } else {
        w.SetInstructionLines(Lines4(language));
    }

    if (automatic || sender == w.LanguageCombo) {
        const QSignalBlocker quiet(w.LanguageCombo);  // the program's selection is no choice
        w.LanguageCombo->setCurrentIndex(index);
    }

    if (index == kEnglishIndex) return;
    w.PageControl1->setTabText(w.PageControl1->indexOf(w.t1),
                               QString::fromUtf8(language.optionsCaption));
    const DialogLanguage full = DialogLanguageOf(language.code);
    if (full != DialogLanguage::French && full != DialogLanguage::German)
        w.GroupBox3->setTitle(QStringLiteral(" General  "));
    if (language.lines != Lines::Full) return;

    ApplyAccessibleNames(w, full);
    switch (full) {
        case DialogLanguage::French:
            SetRows(w, kFrench, w.ApplicationTitle);
            w.Addresses = AddressesFor(language.code);
            break;
        case DialogLanguage::German:
            SetRows(w, kGerman, w.ApplicationTitle);
            w.Image12->show();
            w.Image4->show();
            w.Image31->hide();
            w.Image6->hide();
            w.Addresses = AddressesFor(language.code);
            break;
        case DialogLanguage::Spanish:
            SetRows(w, kSpanish, w.ApplicationTitle);
            break;
        case DialogLanguage::English:
            break;
    }
}

namespace {
class ScrollingListStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};
}  // namespace

void ApplyAccessibleNames(TfrmConfig& window, DialogLanguage language) {
    const auto column = static_cast<std::size_t>(language == DialogLanguage::French    ? 1
                                                 : language == DialogLanguage::German  ? 2
                                                 : language == DialogLanguage::Spanish ? 3
                                                                                       : 0);
    for (const AccessibleRow& row : kAccessibleNames) {
        QWidget* control = Control(window, QString::fromLatin1(row.control));
        if (!control) continue;
        QString text = QString::fromUtf8(row.text[column]);
        text.replace(QLatin1String("{title}"), window.ApplicationTitle);
        if (row.what == 't')
            SetControlText(window, QString::fromLatin1(row.control), text);
        else if (row.what == 'n')
            control->setAccessibleName(text);
        else
            control->setAccessibleDescription(text);
    }
}

void FillList(QComboBox& list) {
    const QSignalBlocker quiet(&list);
    list.clear();
    for (const Language& language : Table()) list.addItem(QString::fromUtf8(language.name));
    list.setMaxVisibleItems(19);
    // Styles that drop a plain list down as a menu (Fusion among them) show
    // every entry and ignore the row count; a scrolling list keeps it.
    auto* style = new ScrollingListStyle;
    style->setParent(&list);
    list.setStyle(style);
    list.setEditable(false);
    list.setCurrentIndex(-1);
}

QStringList TranslatedControls() {
    QStringList names;
    for (const Row& row : kFrench) names << QString::fromLatin1(row.control);
    for (const Row& row : kGerman) names << QString::fromLatin1(row.control);
    for (const Row& row : kSpanish) names << QString::fromLatin1(row.control);
    names.removeDuplicates();
    return names;
}

}  // namespace languages
