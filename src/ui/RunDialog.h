#pragma once
// The frame shared by the dialogs of an extraction run and the wizard: a fixed,
// white window 530 wide, centred on the screen, with a header band (bold title
// Label2, subtitle Label4, picture Image2 at the right) and a footer band
// Panel2 that holds the buttons. Each dialog builds its own controls between
// the bands and names its texts in a table (control name -> text per
// language) that ApplyTexts puts on the controls.

#include <QDialog>
#include <QLabel>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/Languages.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace rundialog {

// The application title; every dialog caption starts with it.
inline constexpr char kTitle[] = "Tarnwick";

// The control name that stands for the window caption's suffix in a text table.
inline constexpr char kCaption[] = "caption";

// One row of a dialog's text table. Texts are UTF-8, trailing blanks included.
// A control name ending in ".name" or ".description" gives the control's name
// or description for assistive tools instead of its text.
struct ControlText {
    const char* control;
    const char* english;
    const char* french;
    const char* german;
    const char* spanish;
};

// The column of a row for a language.
const char* TextFor(const ControlText& row, languages::DialogLanguage language);

// Opens a page of the product's web site in the user's browser.
void OpenPage(const char* url);

}  // namespace rundialog

// A small picture that acts on the control beside it when clicked.
class TOptionIcon : public QLabel {
    Q_OBJECT
public:
    explicit TOptionIcon(QWidget* parent = nullptr) : QLabel(parent) {}
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A text that acts like a button when clicked (the wizard's output folder).
class TClickText : public QLabel {
    Q_OBJECT
public:
    explicit TClickText(QWidget* parent = nullptr) : QLabel(parent) {}
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class TRunDialog : public QDialog {
    Q_OBJECT
public:
    QFrame* Panel1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QFrame* Panel2 = nullptr;

    languages::DialogLanguage Language() const { return language_; }

protected:
    // `language` is the interface language code of the main window.
    TRunDialog(const char* formName, std::int32_t language, int clientHeight, QWidget* parent);

    enum class Style { Plain, Bold, Italic };
    QLabel* NewLabel(QWidget* parent, const char* name, int x, int y, Style style = Style::Plain,
                     int width = 0);
    QPushButton* NewButton(QWidget* parent, const char* name, int x, int y, int w, int h);
    // A read-only, grey one-line box that shows its hint as a tool tip.
    QLineEdit* NewNameBox(QWidget* parent, const char* name, int x, int y, int w);
    QCheckBox* NewCheckBox(QWidget* parent, const char* name, int x, int y, int w = 0);
    // An 18 x 18 option icon showing the picture at `resource` (empty when missing).
    TOptionIcon* NewIcon(QWidget* parent, const char* name, int x, int y, const char* resource);

    // Puts the texts of the dialog's language on the named controls and sets the
    // caption to the title followed by the caption row's text.
    template <std::size_t N>
    void ApplyTexts(const rundialog::ControlText (&table)[N]) {
        ApplyTexts(table, N);
    }
    void ApplyTexts(const rundialog::ControlText* table, std::size_t count);
    // The text of one control of a table in the dialog's language.
    QString Text(const rundialog::ControlText& row) const;

    void showEvent(QShowEvent* event) override;
    // Escape clicks EscapeButton when the dialog has one (its Cancel button);
    // otherwise it closes the dialog as the title-bar button does.
    void keyPressEvent(QKeyEvent* event) override;
    QPushButton* EscapeButton = nullptr;

private:
    languages::DialogLanguage language_;
};
