// What a screen reader sees of the contact tree: a tree whose children are its shown
// rows, the root "Notes Address Book" and each contact, named by their text, with
// their selected and focused states. Rows are made when the reader asks for them, so
// a million contacts cost nothing until read.
#pragma once

namespace brenmoor::app {

// Lets Qt's accessibility find the interface of every ContactTreeView; once is enough.
void installContactTreeAccessibility();

} // namespace brenmoor::app
