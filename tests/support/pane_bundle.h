// The plug-in's Packgate.bundle folder for tests, laid out in a new temporary folder from the
// project's resources/ with the English strings only (so texts do not depend on the tester's
// language), and removed with the object.
#pragma once

#include <optional>
#include <string>

#include "foundation/bundle.h"
#include "foundation/plist_value.h"
#include "scratch_folder.h"

namespace packgate_test {

class PaneBundle {
  public:
    PaneBundle();
    PaneBundle(const PaneBundle&) = delete;
    PaneBundle& operator=(const PaneBundle&) = delete;

    foundation::Bundle bundle() const;
    // The full path of the resource `name` (under Contents/Resources).
    std::string resourcePath(const std::string& name) const;

    // SetupSRC.plist with these values (an absent one leaves its key out).
    void writeSetup(const std::optional<std::string>& requiredVersion,
                    const std::optional<foundation::PlistValue>& forKzOrStore,
                    const std::optional<std::string>& packTitle = "Test Pack");
    // Replaces the resource `name` with `text`, removes it, or puts the project's own back.
    // Failures throw std::runtime_error.
    void writeResource(const std::string& name, const std::string& text) const;
    void removeResource(const std::string& name) const;
    void restoreResource(const std::string& name) const;

  private:
    ScratchFolder folder_;
    std::string path_;
};

}  // namespace packgate_test
