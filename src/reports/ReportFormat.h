#pragma once

#include "platform/i18n/Localization.h"

#include <QList>
#include <QString>

#include <optional>

enum class ReportFormat { pdf, json, markdown, text };

namespace ReportFormats {
const QList<ReportFormat>& allCases();
QString rawValue(ReportFormat f);
// Exactly the four raw values, case-sensitively.
std::optional<ReportFormat> fromRaw(const QString& raw);
QString title(ReportFormat f, const Localization& L);
QString fileExtension(ReportFormat f);
// The MIME type offered in the save dialog.
QString contentType(ReportFormat f);
}  // namespace ReportFormats
