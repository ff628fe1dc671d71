#include "fault_tally.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace packgate_reliability {
namespace {

// Failed checks of the running test so far.
int FailedParts() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr) return 0;
    const testing::TestResult* result = test->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i) {
        if (result->GetTestPartResult(i).failed()) ++failed;
    }
    return failed;
}

// One line, appended and flushed at once, so a crash later still leaves what came before.
void Count(const std::string& family, const char* what, const std::string& name) {
    const char* path = std::getenv("PACKGATE_TALLY_FILE");
    if (path == nullptr || *path == '\0') return;
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    std::fprintf(file, "%s\t%s\t%s\n", family.c_str(), what, name.c_str());
    std::fclose(file);
}

}  // namespace

FaultCase::FaultCase(std::string family, std::string name)
    : family_(std::move(family)), name_(std::move(name)), failuresBefore_(FailedParts()) {
    Count(family_, "tried", name_);
}

FaultCase::~FaultCase() {
    if (lost_) Count(family_, "lost", name_);
    if (!lost_ && FailedParts() == failuresBefore_) Count(family_, "survived", name_);
}

void FaultCase::dataLost() {
    lost_ = true;
}

}  // namespace packgate_reliability
