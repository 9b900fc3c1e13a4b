#pragma once

#include "reports/ReportFormat.h"

#include <functional>

class Quorlent;

// The one way the toolbar's export menu and the Export menu start an export.
namespace ExportAction {
using Saver = std::function<void(ReportFormat, Quorlent&)>;

// Exports the inspection in `format` through the installed saver (the save flow: refresh when
// nothing was inspected yet, the save dialog, rendering, the atomic write or the alert).
void run(ReportFormat format, Quorlent& model);

// The save flow; without one, run() does nothing.
void setSaver(Saver saver);
}  // namespace ExportAction
