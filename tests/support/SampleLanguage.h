#pragma once

// Rendering screens in German, Russian and Arabic before the product's own tables are
// translated: sample tables (tests/fixtures/i18n-samples) for the texts of a few screens.
#include "platform/i18n/Localization.h"
#include "ui/Theme.h"

#include <QSize>
#include <QString>

class QWidget;

// `code` ("en", "de", "ru", "ar") with the sample table; English keeps its keys.
Localization sampleLocalization(const QString& code);

// Tells the widget and everything in it that the language changed, as installing a
// translator would.
void sendLanguageChange(QWidget* widget);

// Renders `widget` in the sample language and the appearance: the language is current while
// the widget retranslates and while it is grabbed. A height of 0 takes the widget's height for
// the width. Writes <name>-<code>-<light|dark>.png into the artifacts folder; returns its path.
QString renderSample(QWidget& widget, QSize size, const QString& code, Theme::Appearance appearance, const QString& name);
