#include "ui/WindowLanguage.h"

#include <QApplication>
#include <QEvent>

namespace {
class WindowLanguageFollower : public QObject {
public:
    WindowLanguageFollower(QWidget* widget, std::function<void()> retranslate)
        : QObject(widget), widget_(widget), retranslate_(std::move(retranslate))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LanguageChange && watched != widget_ && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow() && static_cast<QWidget*>(watched) == widget_->window())
            retranslate_();
        return false;
    }

private:
    QWidget* widget_;
    std::function<void()> retranslate_;
};
}  // namespace

void followWindowLanguage(QWidget* widget, std::function<void()> retranslate)
{
    new WindowLanguageFollower(widget, std::move(retranslate));
}
