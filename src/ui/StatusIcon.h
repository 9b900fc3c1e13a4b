#pragma once

#include "inspection/Capability.h"
#include "platform/i18n/Localization.h"
#include "ui/Theme.h"

#include <QWidget>

// How a status looks and is spoken everywhere.
namespace StatusStyle {
QString symbol(CapabilityStatus status);
QColor color(CapabilityStatus status, Theme::Appearance appearance);
QColor color(CapabilityStatus status);
// The info dot is drawn at the small image scale.
qreal symbolScale(CapabilityStatus status);
// "Supported", "Not supported", "Warning", "Information", in the interface language.
QString accessibilityName(CapabilityStatus status, const Localization& l);
QString accessibilityName(CapabilityStatus status);  // UiLanguage::current()
}  // namespace StatusStyle

// A status as a coloured symbol at the surrounding font's size, in a frame 16 px wide
// (all four statuses take the same width), with its spoken name.
class StatusIcon : public QWidget {
    Q_OBJECT
public:
    explicit StatusIcon(CapabilityStatus status, QWidget* parent = nullptr);
    CapabilityStatus status() const { return status_; }
    void setStatus(CapabilityStatus status);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    static constexpr int kWidth = 16;
    // Paints a status symbol of `pixelSize` centred in `rect`.
    static void paint(QPainter& painter, CapabilityStatus status, const QRectF& rect, qreal pixelSize);

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    CapabilityStatus status_;
};
