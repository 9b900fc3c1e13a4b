#pragma once

#include <QComboBox>
#include <QString>
#include <QWidget>

class LanguageManager;
class QMenu;
class QPushButton;
class ThemedLabel;

// The interface language choice: "System Default", a separator, then the thirteen
// languages by their native names. A choice is a code, or "" for the system default.
namespace LanguagePicker {
// The binding over the manager: its selection, or "" when there is none.
QString selection(const LanguageManager& language);
// "" selects the system default; any other value is passed through.
void setSelection(LanguageManager& language, const QString& value);
// Fills `menu` with the choices as checkable items (the inline picker of a menu) and keeps
// the marks and the "System Default" text current while the menu lives.
void fill(QMenu* menu, LanguageManager& language);
}  // namespace LanguagePicker

// The same choices as a drop-down box, for the settings window.
class LanguagePickerBox : public QComboBox {
    Q_OBJECT
public:
    explicit LanguagePickerBox(LanguageManager& language, QWidget* parent = nullptr);

private:
    void rebuild();
    LanguageManager& language_;
    bool rebuilding_ = false;
};

// Says that menus and system dialogs follow the new language only after a relaunch, and
// offers one. The host shows it while the manager's systemUIOutOfDate is true.
class RelaunchBanner : public QWidget {
    Q_OBJECT
public:
    // Room around the button's text on each side.
    static constexpr int kButtonPaddingX = 14;
    static constexpr int kButtonPaddingY = 5;
    explicit RelaunchBanner(LanguageManager& language, QWidget* parent = nullptr);
    QPushButton* relaunchButton() const { return button_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void retranslate();
    LanguageManager& language_;
    ThemedLabel* text_;
    QPushButton* button_;
};
