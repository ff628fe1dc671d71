#include "installer/terminal/install_screen.h"

#include <algorithm>

#include "installer/present/flow_words.h"
#include "installer/present/install_texts.h"
#include "installer/text/text_wrap.h"

namespace installer {
namespace {

// Room for "[]" and " 100%" beside the bar's inside.
constexpr int kBarFrame = 7;
constexpr int kFewestBarColumns = 4;

const Words& W() {
    return Words::ForUser();
}

int Width(std::string_view text) {
    return static_cast<int>(DisplayWidth(text));
}

std::string Fit(std::string_view text, int columns, bool keepEnd = false) {
    return TruncateText(text, static_cast<std::size_t>(std::max(columns, 0)), keepEnd);
}

void AddWrapped(std::vector<ContentLine>& lines, std::string_view text, int width, Style style) {
    for (std::string& line :
         WrapText(PrintableText(text, true), static_cast<std::size_t>(std::max(width, 1)))) {
        lines.push_back({std::move(line), style, 0});
    }
}

// How much is done, in hundredths: by bytes, or by files when the payload has no bytes.
int Percent(const InstallProgress& progress) {
    if (progress.bytesTotal > 0) {
        const std::uint64_t done = std::min(progress.bytesDone, progress.bytesTotal);
        return static_cast<int>(done * 100 / progress.bytesTotal);
    }
    if (progress.filesTotal == 0) return 100;
    return static_cast<int>(std::min(progress.filesDone, progress.filesTotal) * 100 /
                            progress.filesTotal);
}

}  // namespace

std::string ProgressBar(const InstallProgress& progress, int columns) {
    const int percent = Percent(progress);
    std::string number = std::to_string(percent) + "%";
    number.insert(0, static_cast<std::size_t>(std::max(0, 4 - Width(number))), ' ');
    const int inside = columns - kBarFrame;
    if (inside < kFewestBarColumns) return Fit(number, columns);
    const int filled = inside * percent / 100;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(inside - filled), '-') + "] " + number;
}

std::vector<std::string> ProgressLines(const InstallProgress& progress, int width,
                                       const Words& words) {
    std::vector<std::string> lines;
    lines.push_back(ProgressBar(progress, width));
    lines.push_back(Fit(InstallProgressText(progress, words), width));
    if (progress.currentFile.empty()) return lines;
    const std::string lead = words.text("install.progress.file", {{"file", ""}});
    const std::string file =
        Fit(PrintableText(progress.currentFile, false), width - Width(lead), true);
    lines.push_back(Fit(words.text("install.progress.file", {{"file", file}}), width));
    return lines;
}

std::vector<ContentLine> InstallingLines(const ScreenInput& model, int width) {
    std::vector<ContentLine> lines;
    AddWrapped(lines, W().text("install.step"), width, Style::Heading);
    lines.push_back({});
    if (!model.flow.progress) {
        AddWrapped(lines, WaitSentence(FlowWait::Installing), width, Style::Normal);
        return lines;
    }
    for (std::string& line : ProgressLines(*model.flow.progress, width)) {
        lines.push_back({std::move(line), Style::Normal, 0});
    }
    return lines;
}

std::vector<ContentLine> InstallSummaryLines(const ScreenInput& model, int width) {
    std::vector<ContentLine> lines;
    AddWrapped(lines, W().text("step.summary"), width, Style::Heading);
    lines.push_back({});
    if (!model.flow.install) return lines;
    const InstallReport& report = *model.flow.install;
    AddWrapped(lines, InstallSentence(report), width,
               report.installed ? Style::Normal : Style::Warning);
    for (const std::string& line : InstallAfterwords(report)) {
        AddWrapped(lines, line, width, Style::Normal);
    }
    if (!model.flow.handoff) return lines;
    lines.push_back({});
    if (!model.ui.details) AddWrapped(lines, W().text("install.details_hint"), width, Style::Hint);
    return lines;
}

std::vector<ContentLine> IntroductionInstallLines(const ScreenInput& model, int width) {
    std::vector<ContentLine> lines;
    AddWrapped(lines, W().text(model.flow.installPlanned ? "install.intro_will" : "install.intro_bundle"),
               width, Style::Normal);
    if (model.warnings.empty()) return lines;
    lines.push_back({});
    const std::string warning =
        W().text("install.intro_warning", {{"count", std::to_string(model.warnings.size())},
                                           {"first", model.warnings.front()}});
    lines.push_back({Fit(PrintableText(warning, false), width), Style::Warning, 0});
    return lines;
}

std::string QuitConsequence(const ScreenInput& model) {
    if (model.flow.installed()) return W().text("install.quit_done");
    return W().text(model.flow.installPlanned ? "install.quit_will" : "quit.consequence");
}

}  // namespace installer
