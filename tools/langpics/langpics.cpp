// Draws the four instruction lines of every language whose script the main
// window shows as a picture: 484 x 63 pixels (Arabic, the strip's own
// picture, 484 x 60), black on white, centred, right to left where the script
// is. Writes JPEG files, and bitmaps for Hindi and Persian.
//
// Fonts (Debian): fonts-noto-core (Noto Sans, Noto Sans Arabic, Noto Sans
// Hebrew, Noto Sans Thai, Noto Sans Devanagari) and
// fonts-noto-cjk (Noto Sans CJK SC/TC/JP/KR). A missing family is an error, so
// no picture is ever drawn with a substitute that lacks the script.
//
// Usage: langpics <output folder>   (run with QT_QPA_PLATFORM=offscreen)

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <cstdio>

namespace {

struct Picture {
    const char* file;    // file name in the output folder
    const char* family;  // the font that covers the script
    bool rightToLeft;
    int height;
    const char* lines[4];
};

const Picture kPictures[] = {
    {"Arabic.jpg",
     "Noto Sans Arabic",
     true,
     60,
     {"لفك ضغط ملف اختر إحدى الطرق الثلاث التالية:",
      "--> اسحب الملف المضغوط وأفلته على الصورة أعلاه",
      "--> انقر بزر الماوس الأيمن على الملف واختر \"Extract!\" من القائمة المختصرة",
      "--> انقر نقرًا مزدوجًا على الملف المضغوط"}},
    {"Belarusian.jpg",
     "Noto Sans",
     false,
     63,
     {"Каб распакаваць файл, абярыце адзін з трох наступных спосабаў:",
      "--> Перацягніце сціснуты файл на малюнак вышэй",
      "--> Пстрыкніце па файле правай кнопкай мышы і абярыце \"Extract!\" у кантэкстным меню",
      "--> Двойчы пстрыкніце па сціснутым файле"}},
    {"BosnianCroatianSerbian.jpg",
     "Noto Sans",
     false,
     63,
     {"Za raspakivanje datoteke izaberite jedan od sljedeća tri načina:",
      "--> Prevucite komprimovanu datoteku na sliku iznad",
      "--> Kliknite desnim tasterom na datoteku i izaberite \"Extract!\" u kontekstnom meniju",
      "--> Dvaput kliknite na komprimovanu datoteku"}},
    {"Bulgarian.jpg",
     "Noto Sans",
     false,
     63,
     {"За да разархивирате файл, изберете един от следните три начина:",
      "--> Плъзнете компресирания файл върху картинката по-горе",
      "--> Щракнете с десния бутон върху файла и изберете \"Extract!\" от контекстното меню",
      "--> Щракнете двукратно върху компресирания файл"}},
    {"ChineseSimp.jpg",
     "Noto Sans CJK SC",
     false,
     63,
     {"要解压文件，请选择以下三种方法之一：", "--> 将压缩文件拖放到上面的图片上",
      "--> 右键单击压缩文件，然后在快捷菜单中选择 \"Extract!\"", "--> 双击压缩文件"}},
    {"ChineseTrad.jpg",
     "Noto Sans CJK TC",
     false,
     63,
     {"要解壓縮檔案，請選擇下列三種方法之一：", "--> 將壓縮檔拖放到上方的圖片上",
      "--> 在壓縮檔上按滑鼠右鍵，然後在快顯功能表中選擇 \"Extract!\"", "--> 按兩下壓縮檔"}},
    {"Czech.jpg",
     "Noto Sans",
     false,
     63,
     {"Soubor rozbalíte jedním z následujících tří způsobů:",
      "--> Přetáhněte komprimovaný soubor na obrázek výše",
      "--> Klikněte na soubor pravým tlačítkem a v místní nabídce zvolte \"Extract!\"",
      "--> Poklepejte na komprimovaný soubor"}},
    {"Farsi.jpg",
     "Noto Sans Arabic",
     true,
     63,
     {"برای باز کردن فایل فشرده، یکی از سه روش زیر را انتخاب کنید:",
      "--> فایل فشرده را بکشید و روی تصویر بالا رها کنید",
      "--> روی فایل فشرده راست‌کلیک کنید و از منوی میان‌بر \"Extract!\" را انتخاب "
      "کنید",
      "--> روی فایل فشرده دوبار کلیک کنید"}},
    {"Greek.jpg",
     "Noto Sans",
     false,
     63,
     {"Για να αποσυμπιέσετε ένα αρχείο, επιλέξτε έναν από τους τρεις παρακάτω τρόπους:",
      "--> Σύρετε το συμπιεσμένο αρχείο πάνω στην παραπάνω εικόνα",
      "--> Κάντε δεξί κλικ στο αρχείο και επιλέξτε \"Extract!\" από το μενού περιβάλλοντος",
      "--> Κάντε διπλό κλικ στο συμπιεσμένο αρχείο"}},
    {"Hebrew.jpg",
     "Noto Sans Hebrew",
     true,
     63,
     {"כדי לחלץ קובץ, בחרו באחת משלוש השיטות הבאות:", "--> גררו את הקובץ הדחוס אל התמונה שלמעלה",
      "--> לחצו על הקובץ בלחצן הימני ובחרו \"Extract!\" בתפריט ההקשר",
      "--> לחצו לחיצה כפולה על הקובץ הדחוס"}},
    {"Hindi.bmp",
     "Noto Sans Devanagari",
     false,
     63,
     {"किसी फ़ाइल को अनपैक करने के लिए नीचे दिए गए तीन तरीक़ों में से एक चुनें:",
      "--> संपीड़ित फ़ाइल को खींचकर ऊपर वाले चित्र पर छोड़ें",
      "--> संपीड़ित फ़ाइल पर राइट-क्लिक करें और मेनू में \"Extract!\" चुनें", "--> संपीड़ित फ़ाइल पर डबल-क्लिक करें"}},
    {"Japanese.jpg",
     "Noto Sans CJK JP",
     false,
     63,
     {"ファイルを解凍するには、次の3つの方法のいずれかを選んでください：",
      "--> 圧縮ファイルを上の画像にドラッグ＆ドロップします",
      "--> 圧縮ファイルを右クリックし、メニューから \"Extract!\" を選びます",
      "--> 圧縮ファイルをダブルクリックします"}},
    {"Korean.jpg",
     "Noto Sans CJK KR",
     false,
     63,
     {"파일의 압축을 풀려면 다음 세 가지 방법 중 하나를 선택하십시오:",
      "--> 압축 파일을 위의 그림으로 끌어다 놓습니다",
      "--> 압축 파일을 마우스 오른쪽 단추로 클릭하고 \"Extract!\"를 선택합니다",
      "--> 압축 파일을 두 번 클릭합니다"}},
    {"Kurdish.jpg",
     "Noto Sans Arabic",
     true,
     63,
     {"بۆ کردنەوەی فایلێکی پەستێنراو یەکێک لەم سێ ڕێگایە هەڵبژێرە:",
      "--> فایلە پەستێنراوەکە ڕابکێشە سەر وێنەکەی سەرەوە",
      "--> کرتەی ڕاست لە فایلەکە بکە و \"Extract!\" هەڵبژێرە",
      "--> دوو کرتە لە فایلە پەستێنراوەکە بکە"}},
    {"Latvian.jpg",
     "Noto Sans",
     false,
     63,
     {"Lai atarhivētu failu, izvēlieties vienu no šiem trim veidiem:",
      "--> Ievelciet saspiesto failu attēlā augstāk",
      "--> Ar peles labo pogu noklikšķiniet uz faila un izvēlieties \"Extract!\"",
      "--> Veiciet dubultklikšķi uz saspiestā faila"}},
    {"Lithuanian.jpg",
     "Noto Sans",
     false,
     63,
     {"Norėdami išskleisti failą, pasirinkite vieną iš šių trijų būdų:",
      "--> Nutempkite suglaudintą failą ant aukščiau esančio paveikslėlio",
      "--> Dešiniuoju pelės mygtuku spustelėkite failą ir pasirinkite \"Extract!\"",
      "--> Dukart spustelėkite suglaudintą failą"}},
    {"Mongolian.jpg",
     "Noto Sans",
     false,
     63,
     {"Файлыг задлахын тулд дараах гурван аргын аль нэгийг сонгоно уу:",
      "--> Шахсан файлыг дээрх зураг руу чирж оруулна уу",
      "--> Файл дээр хулганы баруун товчийг дараад \"Extract!\"-г сонгоно уу",
      "--> Шахсан файл дээр хоёр удаа дарна уу"}},
    // The same face as the other Arabic-script pictures: Naskh's letters are
    // markedly smaller at the same pixel size.
    {"Persian.bmp",
     "Noto Sans Arabic",
     true,
     63,
     {"برای استخراج یک فایل RAR یکی از این سه راه را برگزینید:",
      "--> فایل را روی تصویر بالای این راهنما بکشید و رها کنید",
      "--> روی فایل کلیک راست کنید و گزینهٔ \"Extract!\" را برگزینید",
      "--> روی فایل RAR دوبار کلیک کنید"}},
    {"Russian.jpg",
     "Noto Sans",
     false,
     63,
     {"Чтобы распаковать файл, выберите один из трёх следующих способов:",
      "--> Перетащите сжатый файл на картинку выше",
      "--> Щёлкните по файлу правой кнопкой мыши и выберите \"Extract!\" в контекстном меню",
      "--> Дважды щёлкните по сжатому файлу"}},
    {"Serbian.jpg",
     "Noto Sans",
     false,
     63,
     {"Да бисте распаковали датотеку, изаберите један од следећа три начина:",
      "--> Превуците компримовану датотеку на слику изнад",
      "--> Кликните десним тастером на датотеку и изаберите \"Extract!\" у контекстном менију",
      "--> Двапут кликните на компримовану датотеку"}},
    {"Slovak.jpg",
     "Noto Sans",
     false,
     63,
     {"Súbor rozbalíte jedným z nasledujúcich troch spôsobov:",
      "--> Presuňte komprimovaný súbor na obrázok vyššie",
      "--> Kliknite na súbor pravým tlačidlom a v kontextovej ponuke vyberte \"Extract!\"",
      "--> Dvakrát kliknite na komprimovaný súbor"}},
    {"Slovenian.jpg",
     "Noto Sans",
     false,
     63,
     {"Datoteko razširite na enega od naslednjih treh načinov:",
      "--> Povlecite stisnjeno datoteko na zgornjo sliko",
      "--> Z desno tipko miške kliknite datoteko in v priročnem meniju izberite \"Extract!\"",
      "--> Dvokliknite stisnjeno datoteko"}},
    {"Thai.jpg",
     "Noto Sans Thai",
     false,
     63,
     {"หากต้องการแตกไฟล์ ให้เลือกหนึ่งในสามวิธีต่อไปนี้:", "--> ลากไฟล์บีบอัดไปวางบนรูปภาพด้านบน",
      "--> คลิกขวาที่ไฟล์บีบอัดแล้วเลือก \"Extract!\" ในเมนูลัด", "--> ดับเบิลคลิกที่ไฟล์บีบอัด"}},
    {"Turkish.jpg",
     "Noto Sans",
     false,
     63,
     {"Bir dosyayı açmak için aşağıdaki üç yöntemden birini seçin:",
      "--> Sıkıştırılmış dosyayı sürükleyip yukarıdaki resmin üzerine bırakın",
      "--> Dosyaya sağ tıklayın ve bağlam menüsünden \"Extract!\" komutunu seçin",
      "--> Sıkıştırılmış dosyaya çift tıklayın"}},
    {"Ukrainian.jpg",
     "Noto Sans",
     false,
     63,
     {"Щоб розпакувати файл, виберіть один із трьох таких способів:",
      "--> Перетягніть стиснутий файл на зображення вище",
      "--> Клацніть файл правою кнопкою миші та виберіть \"Extract!\" у контекстному меню",
      "--> Двічі клацніть стиснутий файл"}},
};

constexpr int kWidth = 484;
constexpr int kMargin = 3;

// The ink of all four lines relative to the baseline: top (negative) and
// bottom of the tallest letters and marks.
QRectF InkOf(const Picture& picture, const QFont& font) {
    QFontMetricsF metrics(font);
    QRectF ink;
    for (const char* line : picture.lines)
        ink |= metrics.tightBoundingRect(QString::fromUtf8(line));
    return ink;
}

// The largest pixel size (at most 11) at which every line fits the width and
// the ink of one line its quarter of the height.
QFont FittingFont(const Picture& picture) {
    QFont font(QString::fromUtf8(picture.family));
    font.setStyleStrategy(QFont::PreferAntialias);
    const qreal row = qreal(picture.height) / 4;
    for (int size = 11; size > 6; --size) {
        font.setPixelSize(size);
        QFontMetricsF metrics(font);
        bool fits = InkOf(picture, font).height() <= row + 1.5;
        for (const char* line : picture.lines)
            fits =
                fits && metrics.horizontalAdvance(QString::fromUtf8(line)) <= kWidth - 2 * kMargin;
        if (fits) return font;
    }
    return font;
}

bool Draw(const Picture& picture, const QString& folder) {
    QImage image(kWidth, picture.height, QImage::Format_RGB888);
    image.fill(Qt::white);
    const QFont font = FittingFont(picture);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(Qt::black);
        painter.setFont(font);
        painter.setLayoutDirection(picture.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        // Four equal rows, one baseline pitch; the ink of the lines is centred
        // in its row, whatever room the font reserves above and below.
        const qreal row = qreal(picture.height) / 4;
        const QRectF ink = InkOf(picture, font);
        for (int i = 0; i < 4; ++i) {
            QString text = QString::fromUtf8(picture.lines[i]);
            // Inside right-to-left text the menu entry stays "Extract!" as the
            // shell shows it, its marks not reordered.
            if (picture.rightToLeft)
                text.replace(QStringLiteral("\"Extract!\""),
                             QStringLiteral("\u2066\"Extract!\"\u2069"));
            const qreal baseline = i * row + (row - ink.height()) / 2 - ink.top();
            QTextLayout layout(text, font);
            QTextOption option(Qt::AlignHCenter);
            option.setTextDirection(painter.layoutDirection());
            layout.setTextOption(option);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(kWidth - 2 * kMargin);
            line.setPosition(QPointF(0, 0));
            layout.endLayout();
            layout.draw(&painter, QPointF(kMargin, baseline - line.ascent()));
        }
    }
    const QString path = QDir(folder).filePath(QString::fromUtf8(picture.file));
    const bool bitmap = path.endsWith(QLatin1String(".bmp"));
    if (!image.save(path, bitmap ? "BMP" : "JPEG", bitmap ? -1 : 92)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s  %s %dpx\n", picture.file, picture.family, font.pixelSize());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: langpics <output folder>\n");
        return 2;
    }
    const QStringList families = QFontDatabase::families();
    bool ok = true;
    for (const Picture& picture : kPictures) {
        if (!families.contains(QString::fromUtf8(picture.family))) {
            std::fprintf(stderr, "font family missing: %s\n", picture.family);
            ok = false;
        }
    }
    if (!ok) return 1;
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    for (const Picture& picture : kPictures)
        ok = Draw(picture, QString::fromLocal8Bit(argv[1])) && ok;
    return ok ? 0 : 1;
}
