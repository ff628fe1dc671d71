#include "installer/installer_run.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <iostream>
#include <sstream>
#include <memory>
#include <optional>
#include <string>

#include "foundation/search_paths.h"
#include "foundation/system_log.h"
#include "installer/check/pack_check.h"
#include "installer/demo/demo_inbox.h"
#include "installer/demo/demo_machine.h"
#include "installer/host_settings.h"
#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"
#include "installer/pack/pack_info.h"
#include "installer/model/pane_view.h"
#include "installer/pane_host/pane_identity.h"
#include "installer/pane_host/remote_pane.h"
#include "installer/pack/pack.h"
#include "installer/pack/pack_words.h"
#include "installer/program_location.h"
#include "installer/line/line_front_end.h"
#include "installer/script/failure_report.h"
#include "installer/receipt_commands.h"
#include "installer/script/script_front_end.h"
#include "installer/process/interrupt_watch.h"
#include "installer/script/scripted_report.h"
#include "installer/words/words.h"
#include "installer/terminal/terminal_front_end.h"
#include "installer/text/text_wrap.h"
#include "installer/trust/trust_gate.h"
#include "installer/trust/trust_store.h"
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

// The demo machine's local inbox the options name: its port (0: none) and its certificate.
struct DemoInboxRoute {
    int port = 0;
    std::string certificate;
};

DemoInboxRoute DemoRoute(const InstallerOptions& options, const Machine& machine) {
    if (!machine.demo || !options.demoInboxPort || !options.demoInboxCa) return {};
    std::ifstream in(*options.demoInboxCa, std::ios::binary);
    return {*options.demoInboxPort, std::string(std::istreambuf_iterator<char>(in), {})};
}

// The demo machine's reports go to the local inbox the options name; nothing else changes.
foundation::FeedbackPost DemoPost(const InstallerOptions& options, const Machine& machine) {
    const DemoInboxRoute route = DemoRoute(options, machine);
    if (route.port == 0) return {};
    return DemoInboxPost(route.port, route.certificate);
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

// The trust policy of the run: the machine's keys under --root (or /), the --trust files and,
// with --demo, the demo key beside the demo pack. Nothing after telling why on `err`.
std::optional<TrustPolicy> LoadTrustPolicy(const InstallerOptions& options, std::ostream& err) {
    const std::string root = options.root.value_or("/");
    std::vector<std::string> keys = options.trustKeys;
    if (options.demo) {
        if (const auto demoKey = DefaultDemoKeyPath()) keys.push_back(*demoKey);
    }
    TrustStoreLoad load = LoadTrustStore(root, keys);
    if (!load.store) {
        err << kProgram << PrintableText(load.error, false) << "\n";
        return std::nullopt;
    }
    for (const std::string& warning : load.store->warnings) {
        err << kProgram << "warning: " << PrintableText(warning, false) << "\n";
    }
    const std::string base = root == "/" ? std::string() : root;
    TrustPolicy policy;
    policy.keys = std::move(load.store->keys);
    policy.allowUnsigned = options.allowUnsigned;
    policy.trustedFolder = base + kTrustedKeysFolder;
    policy.revokedFolder = base + kRevokedKeysFolder;
    return policy;
}

// --check's line on a pack folder's signature, after the problems and before the count; tampering and a signature that cannot be read
// or is not for the pack count as problems, an unsigned pack or an unknown key do not (its
// maker may check before signing, or on a machine that does not trust the key yet).
bool CheckSignature(const std::string& path, const TrustPolicy& policy, std::ostream& out) {
    if (!IsFolder(path + "/" + kPackBundlePath)) return true;
    const signing::PackTrust trust = signing::VerifyPackFolder(path, policy.keys);
    out << SignatureStateLine(trust) << "\n";
    using State = signing::PackTrust::State;
    return trust.state != State::Tampered && trust.state != State::Malformed &&
           trust.state != State::Mismatch && trust.state != State::RevokedKey;
}

// --check: the pack's signature and problems on standard output; 0 when there are none.
int RunCheck(const InstallerOptions& options, const std::string& path, std::ostream& out,
             std::ostream& err) {
    const auto policy = LoadTrustPolicy(options, err);
    if (!policy) return kExitCannotRun;
    const PackCheck check = CheckPack(path);
    for (const std::string& problem : check.problems) out << PrintableText(problem, false) << "\n";
    const bool signatureSound = CheckSignature(path, *policy, out);
    const std::size_t count = check.problems.size() + (signatureSound ? 0 : 1);
    const Words& words = Words::ForUser();
    if (count == 0) {
        out << words.text("copies.check.clean", {{"pack", path}}) << "\n";
        return kExitWentOn;
    }
    out << words.text("copies.check.count", {{"pack", path}, {"count", std::to_string(count)}})
        << "\n";
    return kExitCannotRun;
}

// The pack's problems as the run's warnings: each in the install log and, in a scripted run
// that prints text, on standard error. An unsigned pack let run by --allow-unsigned comes
// first, and is said on standard error whatever the front end.
std::vector<std::string> PackWarnings(const InstallerOptions& options, const Pack* pack,
                                      const std::string& bundlePath, std::ostream& err) {
    std::vector<std::string> warnings;
    if (pack && pack->signature.state == PackSignature::State::Unsigned) {
        const std::string warning = PackText("trust.warning.unsigned", {{"pack", pack->identity.title}});
        foundation::NSLog("Unsigned pack: %@", warning);
        if (!options.json) err << kProgram << "warning: " << PrintableText(warning, false) << "\n";
        warnings.push_back(warning);
    }
    for (const std::string& warning : CheckBundle(bundlePath, bundlePath)) {
        // The run's log sink is the install log by now.
        foundation::NSLog("Pack problem: %@", warning);
        if (options.scripted() && !options.json) {
            err << kProgram << "warning: " << PrintableText(warning, false) << "\n";
        }
        warnings.push_back(warning);
    }
    return warnings;
}

// --list: enters the pane once and reports what discovery found. The pane is never asked to
// let the user leave, so it writes no handoff list and posts nothing beyond its entry record.
int RunList(const InstallerOptions& options, pane_host::RemotePane& pane,
            const ReportContext& context, std::ostream& out, std::ostream& err) {
    pane.didEnterPane(InstallerDirectionForward);
    if (const auto stopped = pane.stopReason()) {
        const std::string why = PrintableText(*stopped, false);
        err << kProgram << why << "\n";
        if (options.json) out << FailureReportJson(why, kExitCannotRun);
        return kExitCannotRun;
    }
    const PaneView view = ReadPaneView(pane);
    const int code = view.rows.empty() ? kExitKept : kExitWentOn;
    out << (options.json ? ListJsonReport(view, context, code) : ListTextReport(view, context));
    return code;
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
        if (auto terminal = TerminalFrontEnd::Open(log, out, context.warnings)) return terminal;
        // A person is there, on a terminal that cannot show the screen: ask line by line.
        return std::make_unique<LineFrontEnd>(std::cin, out);
    }
    ScriptRequest request;
    request.chooseTag = options.chooseRow;
    request.chooseTitle = options.chooseTitle;
    request.back = options.back;
    return std::make_unique<ScriptFrontEnd>(request, context,
                                            ScriptOutput{options.json, out, err, kProgram});
}

// The pack this run opens: PACK, else with --demo (and no --bundle) the built demo pack;
// nothing for a bare pane. Answers false after telling why on `err` with `code` set.
bool OpenRunPack(const InstallerOptions& options, std::optional<Pack>& pack, std::ostream& err,
                 int& code) {
    // An unsigned pack's code never runs as root, so the option is refused before anything.
    if (options.allowUnsigned && geteuid() == 0) {
        err << kProgram << PackText("trust.error.allow_unsigned_root") << "\n";
        code = kExitUsage;
        return false;
    }
    std::optional<std::string> path = options.packPath;
    if (!path && options.demo && !options.bundlePath) {
        path = DefaultDemoPackPath();
        if (!path || !IsFolder(*path)) {
            err << kProgram << PackText("pack.error.no_demo", {{"path", path.value_or("?")}})
                << "\n";
            code = kExitCannotRun;
            return false;
        }
    }
    if (!path) return true;
    const auto policy = LoadTrustPolicy(options, err);
    if (!policy) {
        code = kExitCannotRun;
        return false;
    }
    PackOpening opening = OpenPack(*path, MakeTrustGate(*policy));
    if (!opening.pack) {
        err << kProgram << PrintableText(opening.error, false) << "\n";
        code = opening.cannotRun ? kExitCannotRun : kExitUsage;
        return false;
    }
    pack = std::move(opening.pack);
    return true;
}

// A folder made for the pane of a run as nobody, removed with the run.
struct PrivateHome {
    std::string path;
    ~PrivateHome() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

// Starts the helper that runs the pack's pane: as the home's owner when this is root (or the
// user who ran sudo or pkexec, else nobody, which is said), as this user otherwise.
pane_host::RemoteLaunch LaunchPane(const std::string& bundlePath, const Machine& machine,
                                   const DemoInboxRoute& route, PrivateHome& privateHome,
                                   std::ostream& err) {
    const auto helper = DefaultPaneHostPath();
    if (!helper) return {nullptr, "cannot tell where packgate-pane-host lies"};
    std::string error;
    std::error_code ignored;
    const std::string temporary = std::filesystem::temp_directory_path(ignored).string();
    auto identity = pane_host::ChoosePaneIdentity(machine.home, temporary.empty() ? "/tmp" : temporary, error);
    if (!identity && geteuid() == 0) return {nullptr, error};
    if (identity && identity->nobody) {
        privateHome.path = identity->home;
        const std::string note = Words::ForUser().text(
            "pane_host.nobody", {{"home", machine.home}, {"private", identity->home}});
        foundation::NSLog("Pane host: %@", note);
        err << kProgram << PrintableText(note, false) << "\n";
    }
    return pane_host::RemotePane::Launch(
        {*helper, bundlePath, machine.root, machine.home, identity, route.port, route.certificate},
        pane_host::RunCallLimits());
}

// Loads the bundle in the helper and walks the steps on the front end of the run; answers the
// exit code. `pack` is the opened pack, or null for a bare pane.
int RunPlugin(const InstallerOptions& options, const std::string& bundlePath,
              const PackInfo& packInfo, const Pack* pack, const Machine& machine,
              const InstallLog& log, std::ostream& out, std::ostream& err) {
    PrivateHome privateHome;
    pane_host::RemoteLaunch load = LaunchPane(bundlePath, machine, DemoRoute(options, machine), privateHome, err);
    if (!load.pane) {
        err << kProgram << PrintableText(load.error, false) << "\n";
        if (options.json) out << FailureReportJson(PrintableText(load.error, false), kExitCannotRun);
        return kExitCannotRun;
    }
    const std::string packTitle = pack ? pack->identity.title : PackTitleOrDefault(packInfo);
    ReportContext context = Context(packTitle, bundlePath, machine, log);
    context.warnings = PackWarnings(options, pack, bundlePath, err);
    if (pack) context.signature = pack->signature;
    if (options.list) return RunList(options, *load.pane, context, out, err);
    const std::unique_ptr<FrontEnd> frontEnd = ChooseFrontEnd(options, context, log, out, err);
    InstallFlow flow(*load.pane, packTitle, *frontEnd);
    flow.setSignature(context.signature);
    if (pack && !pack->payloadPath.empty()) {
        flow.planInstall({pack->identity, pack->payloadPath, options.allowDowngrade, pack->signature.keyId,
                          pack->payloadDigests, pack->openedArchive != nullptr});
    }
    return frontEnd->run(flow);
}

// A run that could not be set up: `why` (one line) on `err`, and with --json one object.
int SetUpFailed(const InstallerOptions& options, const std::string& why, int code,
                std::ostream& out, std::ostream& err) {
    err << kProgram << why << "\n";
    if (options.json) out << FailureReportJson(why, code);
    return code;
}

// The same for what a set-up step wrote to `why` as its own "packgate-installer: ..." line.
int SetUpFailed(const InstallerOptions& options, const std::ostringstream& why, int code,
                std::ostream& out, std::ostream& err) {
    std::string text = why.str();
    if (text.starts_with(kProgram)) text.erase(0, sizeof(kProgram) - 1);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return SetUpFailed(options, text, code, out, err);
}

}  // namespace

int ReportBadUsage(std::string_view program, const std::string& error, bool json,
                   std::ostream& out, std::ostream& err) {
    err << program << ": " << error << "\n\n" << UsageText(program);
    if (json) out << FailureReportJson(error, kExitUsage);
    return kExitUsage;
}

int RunInstaller(const InstallerOptions& options, std::ostream& out, std::ostream& err) {
    // Before any thread starts, so every thread leaves the signals to the watch.
    WatchInterrupts();
    if (options.checkPath) return RunCheck(options, *options.checkPath, out, err);
    if (options.receiptCommand()) {
        return RunReceiptCommand(options, options.home.value_or(foundation::HomeFolder()), out, err);
    }
    int code = kExitCannotRun;
    std::ostringstream why;
    // Kept for the whole run: an opened archive's folder goes with the last copy.
    std::optional<Pack> openedPack;
    if (!OpenRunPack(options, openedPack, why, code)) return SetUpFailed(options, why, code, out, err);
    const auto bundlePath = openedPack ? std::optional(openedPack->bundlePath)
                            : options.bundlePath ? options.bundlePath
                                                 : DefaultBundlePath();
    if (!bundlePath) {
        return SetUpFailed(options, "cannot tell where the program lies; give the bundle with --bundle",
                           kExitCannotRun, out, err);
    }
    const PackInfo pack = ReadPackInfo(*bundlePath);
    auto machine = ChooseMachine(options, pack, why, code);
    if (!machine) return SetUpFailed(options, why, code, out, err);

    // Run by root, the demo machine belongs to the user its pane runs as, as a real home would.
    if (machine->demo && geteuid() == 0) {
        if (const auto user = pane_host::InvokingUser()) pane_host::GiveTree(machine->demo->folder(), *user);
    }
    if (machine->demo && !options.json && !machine->demo->adaptation().empty()) {
        out << machine->demo->adaptation() << "\n";
    }
    // The plug-in may log as soon as it is loaded, so its settings are in place first.
    const std::unique_ptr<InstallLog> log = OpenLog(options, *machine, err);
    ApplyHostSettings({machine->root, machine->home, log->sink(), DemoPost(options, *machine)});
    const Pack* runPack = openedPack ? &*openedPack : nullptr;
    const int result = RunPlugin(options, *bundlePath, pack, runPack, *machine, *log, out, err);
    // The pane is gone; the log goes next, so nothing may write to it any more.
    ApplyHostSettings({machine->root, machine->home, {}});
    if (machine->demo && !options.json) PrintDemoNote(*machine->demo, out);
    return result;
}

}  // namespace installer
