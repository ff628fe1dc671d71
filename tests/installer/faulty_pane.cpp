#include "faulty_pane.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "installer_program.h"

namespace installer_test {

namespace fs = std::filesystem;

FaultyBundle::FaultyBundle(const std::string& fault) : path_(scratch_.path() + "/Faulty.bundle") {
    fs::copy(kBundle, path_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const std::string info = path_ + "/Contents/Info.plist";
    auto dict = foundation::DictionaryWithContentsOfFile(info);
    if (!dict) throw std::runtime_error("the built bundle has no Info.plist");
    const auto executable = foundation::StringForKey(&*dict, "CFBundleExecutable");
    const std::string module = path_ + "/Contents/MacOS/" + executable.value_or("Packgate");
    fs::remove(module);
    fs::copy_file(PACKGATE_FAULTY_PANE_MODULE, module);
    dict->set("NSPrincipalClass", fault);
    if (!foundation::WriteDictionaryToFile(*dict, info, true)) {
        throw std::runtime_error("cannot write " + info);
    }
}

std::vector<std::string> FaultyArguments(const FaultyBundle& bundle,
                                         const packgate_test::FakeMachine& machine,
                                         const std::string& log) {
    return {"--bundle", bundle.path(), "--root", machine.root(), "--home", machine.home(),
            "--log", log};
}

ProgramResult RunFaulty(const std::string& fault, const packgate_test::FakeMachine& machine,
                        const std::string& log, const std::vector<std::string>& more,
                        std::map<std::string, std::string> environment) {
    const FaultyBundle bundle(fault);
    std::vector<std::string> arguments = FaultyArguments(bundle, machine, log);
    arguments.insert(arguments.end(), more.begin(), more.end());
    auto env = EnglishEnvironment();
    env["PACKGATE_PANE_TIMEOUT_MS"] = "400";
    for (const auto& [name, value] : environment) env[name] = value;
    return RunProgram(kInstaller, arguments, env);
}

std::vector<std::string> StopLines(const std::string& path) {
    std::vector<std::string> found;
    for (const std::string& line : Lines(ReadFile(path))) {
        if (line.find("The pack's pane stopped") != std::string::npos) found.push_back(line);
    }
    return found;
}

}  // namespace installer_test
