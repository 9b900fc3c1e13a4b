#pragma once

#include <QWidget>

#include <functional>

// Stands in for a widget that most runs never show (the update banner, the required-update
// card), so that start-up does not build it: the content is made on the first build() and
// then fills this widget, which shows and hides with it.
class DeferredWidget : public QWidget {
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;
    explicit DeferredWidget(Factory make, QWidget* parent = nullptr);

    // Makes the content, once; later calls do nothing.
    void build();
    QWidget* content() const { return content_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Factory make_;
    QWidget* content_ = nullptr;
};
