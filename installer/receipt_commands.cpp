#include "installer/receipt_commands.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "installer/install/receipt.h"
#include "installer/install/receipt_check.h"
#include "installer/script/json_text.h"
#include "installer/text/text_wrap.h"
#include "installer/words/words.h"

namespace installer {
namespace {

using Found = std::vector<std::pair<std::string, Receipt>>;

Found ReadAll(const std::string& home, const std::string& identifier) {
    Found found;
    for (const std::string& path : ReceiptPaths(home, identifier)) {
        if (auto receipt = ReadReceipt(path)) found.emplace_back(path, std::move(*receipt));
    }
    return found;
}

std::string Shown(const std::string& text) {
    return PrintableText(text, false);
}

// Who signed the installed pack, as the receipt recorded it, on its own indented line.
std::string SignerLine(const Receipt& receipt, const Words& words) {
    if (receipt.signerKeyId.empty()) return "  " + words.text("trust.receipt.unsigned") + "\n";
    return "  " + Shown(words.text("trust.receipt.signer", {{"key", receipt.signerKeyId}})) + "\n";
}

int ListInstalled(const std::string& home, bool json, std::ostream& out) {
    const Found found = ReadAll(home, "");
    if (json) {
        JsonValue list = JsonValue::array();
        for (const auto& [path, r] : found) {
            list.push_back({{"identifier", r.identifier}, {"version", r.version},
                            {"title", r.packTitle}, {"host_title", r.hostTitle},
                            {"host_kind", r.hostKind}, {"host_path", r.hostPath},
                            {"destination", r.destination}, {"files", r.files.size()},
                            {"signer_key_id", r.signerKeyId}, {"receipt", path}});
        }
        out << JsonText(JsonValue{{"installed", list}}) << "\n";
        return 0;
    }
    const Words& words = Words::ForUser();
    if (found.empty()) out << words.text("install.list.none") << "\n";
    for (const auto& [path, r] : found) {
        out << Shown(words.text("install.list.line", {{"identifier", r.identifier},
                                                      {"version", r.version},
                                                      {"title", r.packTitle},
                                                      {"host", r.hostTitle},
                                                      {"folder", r.destination}}))
            << "\n"
            << SignerLine(r, words);
    }
    return 0;
}

// The receipts of `identifier`, saying so on `out` when there are none (a text that cannot
// name a receipt has none).
Found ReceiptsOf(const std::string& home, const std::string& identifier, const Words& words,
                 std::ostream& out) {
    Found found;
    if (IsReceiptIdentifier(identifier)) found = ReadAll(home, identifier);
    if (found.empty()) {
        out << Shown(words.text("install.verify.none", {{"identifier", identifier}})) << "\n";
    }
    return found;
}

// One indented line per path, in the words of `key`.
void PrintPaths(const Words& words, std::string_view key, const std::vector<std::string>& paths,
                std::ostream& out) {
    for (const std::string& path : paths) {
        out << "  " << Shown(words.text(key, {{"path", path}})) << "\n";
    }
}

// Each receipt is checked as it is read, so a receipt of any size is never held whole.
int Verify(const std::string& home, const std::string& identifier, std::ostream& out) {
    const Words& words = Words::ForUser();
    std::vector<ReceiptFileCheck> checked;
    if (IsReceiptIdentifier(identifier)) {
        for (const std::string& path : ReceiptPaths(home, identifier)) {
            if (auto check = VerifyReceiptAt(path)) checked.push_back(std::move(*check));
        }
    }
    if (checked.empty()) {
        out << Shown(words.text("install.verify.none", {{"identifier", identifier}})) << "\n";
        return kReceiptNone;
    }
    int code = kReceiptIntact;
    for (const auto& [r, files, check] : checked) {
        if (check.intact()) {
            out << Shown(words.text("install.verify.intact",
                                    {{"identifier", r.identifier}, {"version", r.version},
                                     {"folder", r.destination},
                                     {"files", std::to_string(files)}}))
                << "\n"
                << SignerLine(r, words);
            continue;
        }
        code = kReceiptDamaged;
        out << Shown(r.identifier + " " + r.version + ": " + r.destination) << "\n" << SignerLine(r, words);
        PrintPaths(words, "install.verify.missing", check.missing, out);
        PrintPaths(words, "install.verify.changed", check.changed, out);
    }
    return code;
}

int Uninstall(const std::string& home, const std::string& identifier, std::ostream& out) {
    const Words& words = Words::ForUser();
    const Found found = ReceiptsOf(home, identifier, words, out);
    if (found.empty()) return kReceiptNone;
    int code = kReceiptIntact;
    for (const auto& [path, r] : found) {
        const Uninstalled done = UninstallReceipt(r, path);
        out << Shown(words.text("install.uninstall.removed",
                                {{"identifier", r.identifier}, {"folder", r.destination},
                                 {"files", std::to_string(done.removed.size())}}))
            << "\n";
        PrintPaths(words, "install.uninstall.kept", done.kept, out);
        PrintPaths(words, "install.uninstall.failed", done.failed, out);
        if (!done.kept.empty() || !done.failed.empty()) code = kReceiptDamaged;
    }
    return code;
}

}  // namespace

int RunReceiptCommand(const InstallerOptions& options, const std::string& home, std::ostream& out,
                      std::ostream& err) {
    (void)err;
    if (options.listInstalled) return ListInstalled(home, options.json, out);
    if (options.verifyId) return Verify(home, *options.verifyId, out);
    return Uninstall(home, *options.uninstallId, out);
}

}  // namespace installer
