#include "ui/ThemedLabel.h"

#include "ui/PaintedText.h"

#include <QEvent>
#include <QHash>
#include <QMovie>
#include <QPicture>
#include <QStyle>

#include <cmath>

namespace {
// What a label's own size hints depend on: the same label on the next page built asks the
// same question, and QLabel answers it by laying the text out again (a text control for a
// selectable one, a whole document for one that wraps).
struct HintKey {
    QString text;
    QFont font;
    int alignment, margin, indent, interaction, format, direction;
    bool wordWrap;
    QMargins contents;
    QSize minimum, maximum;  // QLabel widens its hint to the minimum; wrapping tries widths up to the maximum
    bool operator==(const HintKey&) const = default;
};
size_t qHash(const HintKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.text, k.font, k.alignment, k.margin, k.indent, k.interaction, k.format, k.direction, k.wordWrap,
                      k.contents.left(), k.contents.top(), k.contents.right(), k.contents.bottom(), k.minimum.width(),
                      k.minimum.height(), k.maximum.width(), k.maximum.height());
}
constexpr qsizetype kKeptHints = 1024;
constexpr qsizetype kKeptHeights = 8;
}  // namespace

struct ThemedLabel::Hints {
    QSize size, minimum;
    QList<std::pair<int, int>> heights;  // a wrapping label's height at a width: width, height
};

ThemedLabel::ThemedLabel(const QString& text, const QFont& font, Theme::Level level, QWidget* parent)
    : QLabel(parent), level_(level)
{
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, &ThemedLabel::refresh);
    refresh();
}

void ThemedLabel::setText(const QString& text) { QLabel::setText(PaintedText::forLayout(text)); }

int ThemedLabel::inkHeight() const
{
    if (wordWrap() || text().isEmpty()) return 0;
    const QMargins m = contentsMargins();
    return int(std::ceil(PaintedText::measure(font(), text()).centredHeight())) + m.top() + m.bottom() + 2 * margin();
}

std::optional<QSize> ThemedLabel::unwrappedHint() const
{
    // QLabel sizes such a label by laying its text out three times (at its default width, at
    // no width and at the widest), and without wrapping all three come to the text's own lines.
    // Laid out once here the way QLabel does it, for the labels it does it that way for: plain
    // text, no frame or indent, no mnemonic (an empty label has no text to lay out at all).
    const Qt::TextInteractionFlags input = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable;
    if (text().isEmpty() || wordWrap() || textFormat() != Qt::PlainText || (textInteractionFlags() & input) || buddy() ||
        frameWidth() != 0 || indent() > 0 || !pixmap().isNull() || movie() || !picture().isNull())
        return std::nullopt;
    ensurePolished();
    const QMargins m = contentsMargins();
    const int extra = 2 * margin();
    const QString& shown = text();
    const Qt::Alignment align =
        QStyle::visualAlignment(shown.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight, alignment());
    const int flags = int(align & ~(Qt::AlignVCenter | Qt::AlignHCenter)) | Qt::TextExpandTabs;
    const QRect lines = fontMetrics().boundingRect(0, 0, 2000 - extra - m.left() - m.right(), 2000, flags, shown);
    const QSize contents(lines.width() + extra + m.left() + m.right(), lines.height() + extra + m.top() + m.bottom());
    return contents.expandedTo(minimumSize());
}

ThemedLabel::Hints& ThemedLabel::labelHints() const
{
    static QHash<HintKey, Hints> kept;
    HintKey key{text(), font(), int(alignment()), margin(), indent(), int(textInteractionFlags()), int(textFormat()),
                int(layoutDirection()), wordWrap(), contentsMargins(), minimumSize(), maximumSize()};
    auto it = kept.find(key);
    if (it == kept.end()) {
        if (kept.size() >= kKeptHints) kept.clear();
        const int ink = inkHeight();
        QSize size, minimum;
        if (const std::optional<QSize> line = unwrappedHint()) {
            size = minimum = *line;
        } else {
            size = QLabel::sizeHint();
            minimum = QLabel::minimumSizeHint();
        }
        size.setHeight(qMax(size.height(), ink));
        minimum.setHeight(qMax(minimum.height(), ink));
        it = kept.insert(std::move(key), Hints{size, minimum, {}});
    }
    return *it;
}

QSize ThemedLabel::sizeHint() const { return labelHints().size; }

QSize ThemedLabel::minimumSizeHint() const { return labelHints().minimum; }

int ThemedLabel::heightForWidth(int width) const
{
    if (!wordWrap()) return QLabel::heightForWidth(width);
    for (const auto& [w, height] : std::as_const(labelHints().heights))
        if (w == width) return height;
    const int height = QLabel::heightForWidth(width);
    QList<std::pair<int, int>>& heights = labelHints().heights;  // looked up again: the answer may have added hints
    if (heights.size() >= kKeptHeights) heights.removeFirst();
    heights.append({width, height});
    return height;
}

void ThemedLabel::setLevel(Theme::Level level)
{
    level_ = level;
    color_.reset();
    refresh();
}

void ThemedLabel::setColor(const QColor& color)
{
    color_ = color;
    refresh();
}

void ThemedLabel::refresh()
{
    QPalette p = palette();
    const QColor c = color_ ? color_->resolve() : Theme::foreground(level_);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::Text, c);
        p.setColor(group, QPalette::Highlight, Theme::brandPrimary());
        p.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    setPalette(p);
}

void ThemedLabel::setEdgeAlignment(bool trailing, Qt::Alignment vertical)
{
    edge_ = std::make_pair(trailing, vertical);
    applyEdge();
}

void ThemedLabel::applyEdge()
{
    if (!edge_) return;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const bool right = edge_->first != rtl;
    setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | edge_->second);
}

void ThemedLabel::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LayoutDirectionChange) applyEdge();
    QLabel::changeEvent(e);
}
