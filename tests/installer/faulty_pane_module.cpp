// A pack's pane that misbehaves on purpose, in the way its NSPrincipalClass names:
//   CrashInTitle, CrashInEntry, CrashInExit   a segmentation fault in that callback
//   HangInEntry                                never returns from its entry
//   OverrunInEntry                             writes far past a small heap buffer
//   ExitInEntry                                ends the process with status 7
//   FloodInEntry                               logs without end
//   GarbageInEntry                             writes bytes that are no message to fd 3
//   Identity                                   puts who it runs as into its label
//   Polite                                     one row, answers at once (for the benchmark)
#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "foundation/system_log.h"
#include "installer_plugins/installer_pane.h"

extern char** environ;

namespace {

void Crash() {
    // A handler a sanitizer put in place would turn the signal into an exit.
    signal(SIGSEGV, SIG_DFL);
    raise(SIGSEGV);
}

// The /proc/self/status lines that tell who the process is and what it may do.
std::string IdentityText() {
    std::string text;
    {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            for (const char* key : {"Uid:", "Gid:", "Groups:", "CapPrm:", "CapEff:", "NoNewPrivs:"}) {
                if (line.rfind(key, 0) == 0) text += line + "\n";
            }
        }
    }  // Closed before the descriptors are counted.
    text += "Fds:";
    if (DIR* folder = opendir("/proc/self/fd")) {
        const int own = dirfd(folder);
        while (const dirent* entry = readdir(folder)) {
            if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) continue;
            text += std::string(" ") + entry->d_name;
        }
        closedir(folder);
    }
    text += "\nEnv:";
    for (char** entry = environ; *entry != nullptr; ++entry) {
        text += " " + std::string(*entry).substr(0, std::string(*entry).find('='));
    }
    return text + "\n";
}

std::string OwnBundlePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&IdentityText), &info) == 0 || info.dli_fname == nullptr) {
        return ".";
    }
    std::string path = info.dli_fname;  // <bundle>/Contents/MacOS/<module>
    for (int i = 0; i < 3; ++i) path = path.substr(0, path.rfind('/'));
    return path;
}

class FaultyPane : public InstallerPane {
  public:
    FaultyPane(foundation::Bundle bundle, std::string fault)
        : InstallerPane(std::move(bundle), LoadPaneContentView(std::nullopt)), fault_(std::move(fault)) {}

    std::string title() const override {
        if (fault_ == "CrashInTitle") Crash();
        return "Faulty pane";
    }

    void didEnterPane(InstallerSectionDirection) override {
        foundation::NSLog("Faulty pane entered: %@", fault_);
        if (fault_ == "CrashInEntry") Crash();
        if (fault_ == "ExitInEntry") _exit(7);
        if (fault_ == "HangInEntry") {
            for (;;) pause();
        }
        if (fault_ == "OverrunInEntry") Overrun();
        if (fault_ == "FloodInEntry") {
            for (long i = 0;; ++i) foundation::NSLog("flood %ld", i);
        }
        if (fault_ == "GarbageInEntry") {
            const char junk[] = "\x05\x00\x00\x00\x77junk and more junk";
            (void)!write(3, junk, sizeof junk - 1);
        }
        const auto& matrix = contentView().matrix;
        while (matrix->numberOfRows() > 1) matrix->removeRow(matrix->numberOfRows() - 1);
        matrix->cellAtRow(0)->setTitle("Only copy");
        matrix->selectCellAtRow(0);
        contentView().label->setStringValue(fault_ == "Identity" ? IdentityText() : "One copy");
    }

    bool shouldExitPane(InstallerSectionDirection) override {
        if (fault_ == "CrashInExit") Crash();
        return true;
    }

  private:
    static void Overrun() {
        volatile std::size_t size = std::size_t{1} << 28;
        char* block = static_cast<char*>(std::malloc(16));
        volatile char* buffer = block;
        for (std::size_t i = 0; i < size; i += 4096) buffer[i] = 'x';
        std::free(block);
    }

    std::string fault_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) InstallerPane* PackgateCreatePane(const char* className) {
    const auto bundle = foundation::Bundle::AtPath(OwnBundlePath());
    if (!bundle || className == nullptr) return nullptr;
    return new FaultyPane(*bundle, className);
}
