#include "installer/installer_run.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "foundation/search_paths.h"
#include "installer/demo/demo_machine.h"
#include "installer/host_settings.h"
#include "installer/model/bundle_loader.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"
#include "installer/model/pack_info.h"
#include "installer/program_location.h"
#include "installer/script/scripted_report.h"
#include "installer/script/scripted_run.h"
#include "installer/terminal/terminal_ui.h"
#include "installer/text/text_wrap.h"

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

// What the terminal screen leaves behind once it is gone.
void PrintOutcome(const InstallFlow& flow, std::ostream& out) {
    if (!flow.wentOn()) {
        out << "The installation did not go on: the user stayed on the pane or quit.\n";
        return;
    }
    out << "The pane let the installation go on.\n";
    if (flow.handoff())
        out << "Handoff list: " << PrintableText(flow.handoff()->path, false) << "\n";
}

int RunScripted(InstallFlow& flow, const InstallerOptions& options, const ReportContext& context,
                std::ostream& out, std::ostream& err) {
    ScriptRequest request;
    request.chooseTag = options.chooseRow;
    request.chooseTitle = options.chooseTitle;
    request.back = options.back;
    const ScriptTranscript script = RunScript(flow, request);
    out << (options.json ? ScriptJsonReport(script, context) : ScriptTextReport(script, context));
    if (script.error) err << kProgram << *script.error << "\n";
    return script.exitCode;
}

// Loads the bundle and walks the steps on the terminal or scripted; answers the exit code.
int RunPlugin(const InstallerOptions& options, const std::string& bundlePath, const PackInfo& pack,
              const Machine& machine, const InstallLog& log, std::ostream& out, std::ostream& err) {
    PluginLoad load = LoadPluginBundle(bundlePath);
    if (!load.plugin) {
        err << kProgram << PrintableText(load.error, false) << "\n";
        return kExitCannotRun;
    }
    InstallFlow flow(load.plugin->pane(), PackTitleOrDefault(pack));
    const bool interactive = !options.scripted() && OnTerminal();
    if (interactive && RunTerminalUi(flow, log)) {
        PrintOutcome(flow, out);
        return flow.exitCode();
    }
    if (interactive) err << kProgram << "cannot use this terminal; running scripted\n";
    ReportContext context;
    context.packTitle = flow.packTitle();
    context.bundlePath = bundlePath;
    context.logPath = log.path();
    if (machine.demo) context.demoFolder = machine.demo->folder();
    return RunScripted(flow, options, context, out, err);
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
