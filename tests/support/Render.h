#pragma once

// Looking at widgets: render one at a size, in a language and an appearance, to an
// image or to a PNG in the test artifacts folder (<build>/artifacts, or the folder
// named by QRL_ARTIFACTS_DIR).
//
// The language sets the layout direction (Arabic right to left) and the interface
// language widgets read while the grab runs. Texts a widget looks up when it is built
// must be built in that language too: construct it inside a UiLanguage::Override.
#include "ui/Theme.h"

#include <QImage>
#include <QSize>
#include <QString>

class QWidget;

QImage grabWidget(QWidget& widget, QSize size, const QString& language, Theme::Appearance appearance);

// Writes <name>-<language>-<light|dark>.png (name: the widget's object name unless
// given) and returns the file's path.
QString renderToPng(QWidget& widget, QSize size, const QString& language, Theme::Appearance appearance,
                    const QString& name = QString());

QString artifactsDir();
