// A screen input made by hand in a test, with what Continue and Go Back can do decided as the
// flow decides it for its own states.
#pragma once

#include "installer/model/flow_state.h"
#include "installer/terminal/screen_layout.h"

namespace installer_test {

inline installer::ScreenInput Decided(installer::ScreenInput input) {
    installer::DecideControls(input.flow);
    return input;
}

}  // namespace installer_test
