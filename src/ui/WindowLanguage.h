#pragma once

#include <QWidget>

#include <functional>

// Calls `retranslate` when the window that holds `widget` hears of a language change (a host
// may tell only its windows, not every widget in them). Lives as long as `widget`.
void followWindowLanguage(QWidget* widget, std::function<void()> retranslate);
