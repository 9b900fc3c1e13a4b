#pragma once

#include <QList>

// Where a section table breaks across pages. Kept apart from the drawing so the rules
// (a header never alone at a page foot, a row never split, the last two rows of a long
// section together) can be checked with exact heights.
namespace PdfPagination {

struct Geometry {
    double bottomLimit = 0;    // no row may end below this (a row ending exactly on it fits)
    double freshTop = 0;       // where content starts on a page that is not the first
    double headerHeight = 34;  // height of a section header, continued or not
    double sectionGap = 18;    // space after the last row of a section
};

struct Step {
    enum Kind { NewPage, Header, ContinuedHeader, Row } kind;
    int row = -1;  // index of the row for Row steps
    bool operator==(const Step&) const = default;
};

struct Plan {
    QList<Step> steps;
    double endY = 0;  // the vertical position after the section and its gap
};

// The steps that draw one section whose table starts at `y`, given its rows' heights.
Plan planSection(double y, const QList<double>& rowHeights, const Geometry& g);

}  // namespace PdfPagination
