#pragma once

// Driving widgets in tests: find them by object name, click, hover.
#include <QPoint>
#include <QString>
#include <QWidget>

template <typename T = QWidget>
T* findByName(QWidget* root, const QString& objectName)
{
    if (!root) return nullptr;
    if (root->objectName() == objectName)
        if (T* self = qobject_cast<T*>(root)) return self;
    return root->findChild<T*>(objectName);
}

// Press and release the left button at `pos` (the centre by default), as the user would.
void click(QWidget* widget, QPoint pos = QPoint(-1, -1));
// The pointer enters or leaves the widget.
void hover(QWidget* widget);
void unhover(QWidget* widget);
