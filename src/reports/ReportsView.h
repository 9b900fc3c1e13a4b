#pragma once

#include "reports/ReportFormat.h"
#include "ui/Buttons.h"
#include "ui/Card.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>

class Clipboard;
class QLabel;
class QPushButton;
class QScrollArea;
class QTextEdit;
class Quorlent;
class ScreenHeader;
class ThemedLabel;

// The plain-text preview: selectable monospaced text in a recessed rounded box that is at
// least 260 and at most 420 high; longer text scrolls inside the box.
class ReportPreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit ReportPreviewBox(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;
    QTextEdit* textView() const { return view_; }
    // The box's height for a width: the text's height with its padding, within 260…420.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kMinimumHeight = 260;
    static constexpr int kMaximumHeight = 420;
    static constexpr int kPadding = 16;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void fit();
    void alignLines();
    QTextEdit* view_;
    QString text_;
    mutable QHash<std::pair<int, QString>, int> measured_;
};

// One card of the format grid: icon tile, extension, title, description and "Export…".
class FormatCard : public CardFrame {
    Q_OBJECT
public:
    FormatCard(ReportFormat format, bool highlighted, std::function<void()> action, QWidget* parent = nullptr);
    ReportFormat format() const { return format_; }
    bool isHighlighted() const { return highlighted_; }
    ProminentButton* button() const { return button_; }
    void retranslate();
    // The one-sentence description of a format, in the interface language.
    static QString useCase(ReportFormat format);
    // The fill of the "Export…" button: the brand colour on the highlighted card, else grey.
    static QColor buttonTint(bool highlighted);

    static constexpr int kMinimumHeight = 190;

private:
    ReportFormat format_;
    bool highlighted_;
    ThemedLabel* title_;
    ThemedLabel* useCase_;
    ProminentButton* button_;
};

// The page's layout, independent of the model: header, the format grid and the preview
// with "Copy Report". `exportFormat` runs when a card's button is clicked.
class ReportsContent : public QWidget {
    Q_OBJECT
public:
    explicit ReportsContent(std::function<void(ReportFormat)> exportFormat, QWidget* parent = nullptr);
    void setPreviewText(const QString& text);
    QString previewText() const { return previewText_; }
    FormatCard* card(ReportFormat format) const;
    ReportPreviewBox* previewBox() const { return preview_; }
    QPushButton* copyButton() const { return copy_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // Where "Copy Report" puts the text; the system clipboard unless replaced.
    void setClipboard(Clipboard* clipboard) { clipboard_ = clipboard; }
    void retranslate();

    static constexpr int kMaximumColumnWidth = 1000;
    static constexpr int kPadding = 24;

protected:
    void changeEvent(QEvent* event) override;

private:
    void copy();
    std::function<void(ReportFormat)> export_;
    QString previewText_;
    QScrollArea* scroll_;
    ScreenHeader* header_;
    QList<FormatCard*> cards_;
    ThemedLabel* previewTitle_;
    QPushButton* copy_;
    ReportPreviewBox* preview_;
    Clipboard* clipboard_ = nullptr;
};

// The Reports page: the content above, fed with the model's plain-text report, whose
// cards save through ReportExporter::save.
class ReportsView : public QWidget {
    Q_OBJECT
public:
    explicit ReportsView(Quorlent& inspector, QWidget* parent = nullptr);
    ReportsContent* content() const { return content_; }
    // Replaces the save flow a card runs (tests); the default is ReportExporter::save.
    void setExportAction(std::function<void(ReportFormat, Quorlent&)> action) { exportAction_ = std::move(action); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void updatePreview();
    QPointer<Quorlent> inspector_;
    ReportsContent* content_;
    std::function<void(ReportFormat, Quorlent&)> exportAction_;
};
