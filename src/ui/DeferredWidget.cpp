#include "ui/DeferredWidget.h"

#include <QEvent>
#include <QVBoxLayout>

DeferredWidget::DeferredWidget(Factory make, QWidget* parent) : QWidget(parent), make_(std::move(make))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setVisible(false);
}

void DeferredWidget::build()
{
    if (content_ || !make_) return;
    content_ = make_(this);
    make_ = nullptr;
    if (!content_) return;
    if (objectName().isEmpty()) setObjectName(content_->objectName());
    setSizePolicy(content_->sizePolicy());
    layout()->addWidget(content_);
    content_->installEventFilter(this);
    setVisible(!content_->isHidden());
}

bool DeferredWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_) {
        // Explicit show and hide only: the content also gets hidden when this widget hides.
        if (event->type() == QEvent::ShowToParent) setVisible(true);
        else if (event->type() == QEvent::HideToParent) setVisible(false);
    }
    return QWidget::eventFilter(watched, event);
}
