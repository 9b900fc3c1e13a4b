#include "shell/ExportAction.h"

namespace ExportAction {
namespace {
Saver& saver()
{
    static Saver s;
    return s;
}
}  // namespace

void run(ReportFormat format, Quorlent& model)
{
    if (saver()) saver()(format, model);
}

void setSaver(Saver s) { saver() = std::move(s); }
}  // namespace ExportAction
