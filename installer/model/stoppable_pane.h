// A pane whose code runs in another process can stop answering (it crashed, hung or spoke
// nonsense). The flow finds this on its pane with dynamic_cast and ends the run when it has.
#pragma once

#include <optional>
#include <string>

namespace installer {

class StoppablePane {
  public:
    virtual ~StoppablePane() = default;
    // Why the pane stopped, in the user's words; nothing while it answers.
    virtual std::optional<std::string> stopReason() const = 0;
};

}  // namespace installer
