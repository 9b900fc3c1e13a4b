#pragma once

// How the shared widgets present themselves to assistive technology. A capability row, a
// spec pill and an empty state are each one element whose name combines their texts (their
// labels are not read again one by one); an icon tile is decoration and hidden.
namespace UiAccessibility {
// Registers the presentations with Qt's accessibility; safe to call any number of times.
void install();
}  // namespace UiAccessibility
