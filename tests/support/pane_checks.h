// Checks of what the pane shows after a callback, for the fault tests and the pane fuzz
// target: answers that name what is wrong rather than assertions, so a fuzz target can use them.
#pragma once

#include <string>

#include "pane/packgate_pane.h"

namespace packgate_test {

// What is wrong with the pane's rows after an entry, or "" when nothing is: the seven row
// arrays of one length, one matrix row per listed host, row i tagged i and titled with
// element i of the titles, Continue enabled exactly when a host is listed, and a selection
// whenever there are rows.
std::string RowProblems(const PackgatePane& pane);

// The message of the sheet on the pane's window, or "" when no sheet is shown.
std::string SheetMessage(const PackgatePane& pane);

}  // namespace packgate_test
