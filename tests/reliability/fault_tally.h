// Every fault case counts into the tally of its family: tried when it starts, survived when
// it ends without a failed check (a crash never gets there), and data lost when a check finds
// the user's data gone or damaged. With PACKGATE_TALLY_FILE set, each count is appended to
// that file as "family<TAB>tried|survived|lost<TAB>case" (tally_summary.py adds them up);
// without it nothing is written and the cases are ordinary tests.
#pragma once

#include <string>

namespace packgate_reliability {

class FaultCase {
  public:
    FaultCase(std::string family, std::string name);
    ~FaultCase();
    FaultCase(const FaultCase&) = delete;
    FaultCase& operator=(const FaultCase&) = delete;

    // Counts the case as one that lost data (and fails the test through the caller's check).
    void dataLost();

  private:
    std::string family_;
    std::string name_;
    int failuresBefore_ = 0;
    bool lost_ = false;
};

}  // namespace packgate_reliability
