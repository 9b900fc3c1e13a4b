#include "reports/PdfPagination.h"

namespace PdfPagination {

Plan planSection(double y, const QList<double>& rowHeights, const Geometry& g)
{
    Plan plan;
    const qsizetype count = rowHeights.size();

    // Keep the header with its first two rows.
    double needed = y + g.headerHeight;
    if (count > 0) needed += rowHeights[0];
    if (count > 1) needed += rowHeights[1];
    if (needed > g.bottomLimit) {
        plan.steps.append(Step{Step::NewPage});
        y = g.freshTop;
    }
    plan.steps.append(Step{Step::Header});
    y += g.headerHeight;

    const double freshRoom = g.bottomLimit - g.freshTop - g.headerHeight;
    bool headerJustDrawn = true;
    for (qsizetype i = 0; i < count; ++i) {
        const double h = rowHeights[i];
        bool fits = y + h <= g.bottomLimit;
        // The last two rows of a section of four or more travel together, when they can.
        if (fits && i >= 2 && i == count - 2 && y + h + rowHeights[count - 1] > g.bottomLimit
            && h + rowHeights[count - 1] <= freshRoom)
            fits = false;
        // A row too tall for any page stays under the header it follows: moving it would
        // only leave that header alone.
        if (!fits && headerJustDrawn && h > freshRoom) fits = true;
        headerJustDrawn = false;
        if (!fits) {
            plan.steps.append(Step{Step::NewPage});
            y = g.freshTop;
            plan.steps.append(Step{Step::ContinuedHeader});
            y += g.headerHeight;
        }
        plan.steps.append(Step{Step::Row, int(i)});
        y += h;
    }
    plan.endY = y + g.sectionGap;
    return plan;
}

}  // namespace PdfPagination
