#include "installer/installer_run.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "foundation/search_paths.h"
#include "installer/demo/demo_machine.h"
#include "installer/host_settings.h"
#include "installer/model/bundle_loader.h"
#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"
#include "installer/model/pack_info.h"
#include "installer/program_location.h"
#include "installer/script/script_front_end.h"
#include "installer/terminal/terminal_front_end.h"
#include "installer/text/text_wrap.h"
#include "installer/window/window_front_end.h"

namespace installer {
namespace {

const char kProgram[] = "packgate-installer: ";

// The folders the run uses, decided here and nowhere else.
struct Machine {
    std::string root;
    std::string home;
    std::unique_ptr<DemoMachine> demo;
};

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The machine of the run, or nothing after telling why on `err` with `code` set.
std::optional<Machine> ChooseMachine(const InstallerOptions& options, const PackInfo& pack,
                                     std::ostream& err, int& code) {
    Machine machine;
    if (options.demo) {
        std::string error;
        machine.demo = CreateDemoMachine(options.demoFolder, pack, error);
        if (!machine.demo) {
            err << kProgram << error << "\n";
            code = kExitCannotRun;
            return std::nullopt;
        }
        machine.root = machine.demo->root();
        machine.home = machine.demo->home();
        return machine;
    }
    machine.root = options.root.value_or("/");
    machine.home = options.home.value_or(foundation::HomeFolder());
    for (const auto& [name, path] : {std::pair{"--root", machine.root}, {"--home", machine.home}}) {
        if (!IsFolder(path)) {
            err << kProgram << name << " " << path << ": no such folder\n";
            code = kExitUsage;
            return std::nullopt;
        }
    }
    return machine;
}

std::unique_ptr<InstallLog> OpenLog(const InstallerOptions& options, const Machine& machine,
                                    std::ostream& err) {
    const std::string path = options.logPath.value_or(DefaultInstallLogPath(machine.home));
    if (auto log = InstallLog::Open(path)) return log;
    err << kProgram << "cannot write the install log " << path << "; its lines are not kept\n";
    return InstallLog::InMemory();
}

void PrintDemoNote(const DemoMachine& demo, std::ostream& out) {
    out << "Demo machine: " << demo.folder() << " (kept; remove it when done)\n";
}

ReportContext Context(const std::string& packTitle, const std::string& bundlePath,
                      const Machine& machine, const InstallLog& log) {
    ReportContext context;
    context.packTitle = packTitle;
    context.bundlePath = bundlePath;
    context.logPath = log.path();
    if (machine.demo) context.demoFolder = machine.demo->folder();
    return context;
}

// Whether the run opens a window: asked for, or a display is named and nothing scripted or
// terminal-only is asked.
bool WantsWindow(const InstallerOptions& options) {
    if (options.scripted() || options.terminal) return false;
    return options.gui || DisplayNamed();
}

// The front end of this run, picked once: the window when wanted and the display opens, the
// terminal screen when a person is at a terminal that can show it and the command line asks
// for nothing scripted, else the scripted run.
std::unique_ptr<FrontEnd> ChooseFrontEnd(const InstallerOptions& options,
                                         const ReportContext& context, const InstallLog& log,
                                         std::ostream& out, std::ostream& err) {
    if (WantsWindow(options)) {
        if (auto window = WindowFrontEnd::Open(log)) return window;
        err << kProgram << "cannot open a window on this display; using the terminal\n";
    }
    if (!options.scripted() && OnTerminal()) {
        if (auto terminal = TerminalFrontEnd::Open(log, out)) return terminal;
        err << kProgram << "cannot use this terminal; running scripted\n";
    }
    ScriptRequest request;
    request.chooseTag = options.chooseRow;
    request.chooseTitle = options.chooseTitle;
    request.back = options.back;
    return std::make_unique<ScriptFrontEnd>(request, context,
                                            ScriptOutput{options.json, out, err, kProgram});
}

// Loads the bundle and walks the steps on the front end of the run; answers the exit code.
int RunPlugin(const InstallerOptions& options, const std::string& bundlePath, const PackInfo& pack,
              const Machine& machine, const InstallLog& log, std::ostream& out, std::ostream& err) {
    PluginLoad load = LoadPluginBundle(bundlePath);
    if (!load.plugin) {
        err << kProgram << PrintableText(load.error, false) << "\n";
        return kExitCannotRun;
    }
    const std::string packTitle = PackTitleOrDefault(pack);
    const std::unique_ptr<FrontEnd> frontEnd =
        ChooseFrontEnd(options, Context(packTitle, bundlePath, machine, log), log, out, err);
    InstallFlow flow(load.plugin->pane(), packTitle, *frontEnd);
    return frontEnd->run(flow);
}

}  // namespace

int RunInstaller(const InstallerOptions& options, std::ostream& out, std::ostream& err) {
    const auto bundlePath = options.bundlePath ? options.bundlePath : DefaultBundlePath();
    if (!bundlePath) {
        err << kProgram << "cannot tell where the program lies; give the bundle with --bundle\n";
        return kExitCannotRun;
    }
    const PackInfo pack = ReadPackInfo(*bundlePath);
    int code = kExitCannotRun;
    auto machine = ChooseMachine(options, pack, err, code);
    if (!machine) return code;

    // The plug-in may log as soon as it is loaded, so its settings are in place first.
    const std::unique_ptr<InstallLog> log = OpenLog(options, *machine, err);
    ApplyHostSettings({machine->root, machine->home, log->sink()});
    const int result = RunPlugin(options, *bundlePath, pack, *machine, *log, out, err);
    // The pane is gone; the log goes next, so nothing may write to it any more.
    ApplyHostSettings({machine->root, machine->home, {}});
    if (machine->demo && !options.json) PrintDemoNote(*machine->demo, out);
    return result;
}

}  // namespace installer
