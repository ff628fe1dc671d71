// Read-only lookups that explain a candidate without touching the pane's scratch fields or
// its log: the application's version and which host preferences are missing.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pane {

// The CFBundleShortVersionString of the application at `path`; empty when unknown.
std::string ApplicationVersion(const std::optional<std::string>& path);

// Which of "Template Data", "EM2" and "Version Code" the machine-wide preferences of
// `bundleId` lack, joined by ", "; "Bundle ID" when there is no identifier to look up.
std::string MissingPreferences(const std::optional<std::string>& bundleId);

// The English explanation of a reason code with the values it names, as the log shows it.
std::string EnglishReason(const std::string& code,
                          const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace pane
