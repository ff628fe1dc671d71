// A fake machine with one Quillet copy of either route, a payload folder of a few files, and
// the request that installs it into the copy's template folder; shared by the install step's
// tests and its fault family.
#pragma once

#include <string>

#include "fake_machine.h"
#include "installer/install/payload_install.h"
#include "scratch_folder.h"

namespace installer_test {

enum class Route { Maker, Store };

class InstallScene {
  public:
    explicit InstallScene(Route route = Route::Maker);

    // Writes `contents` at `relative` in the payload.
    void payloadFile(const std::string& relative, const std::string& contents) const;
    // The request for version `version` of the test pack.
    installer::InstallRequest request(const std::string& version = "1.0") const;
    std::string templateFile(const std::string& relative) const;

    packgate_test::FakeMachine machine;
    packgate_test::ScratchFolder pack{"pg-pack"};
    std::string payload;
    std::string templateFolder;
    Route route;
};

// The whole file at `path`, or "<missing>".
std::string FileText(const std::string& path);

// The SHA-256 of `bytes` in lower-case hex, by OpenSSL: what the install must find.
std::string Sha256Hex(const std::string& bytes);

}  // namespace installer_test
