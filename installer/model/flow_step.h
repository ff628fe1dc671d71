// The steps of the install flow, in the order the person meets them.
#pragma once

namespace installer {

enum class FlowStep { Introduction, Pane, Summary, Finished };

}  // namespace installer
