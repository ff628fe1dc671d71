#include "installer/check/pack_check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "foundation/files.h"
#include "foundation/plist_read.h"
#include "foundation/string_or_number.h"
#include "installer/check/format_directives.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

// The keys the pane looks up in its strings table, with the directives each must carry when
// it is used as a format (texts shown as they are carry none to check).
struct PaneKey {
    std::string_view key;
    std::optional<std::vector<std::string>> directives;
};
const PaneKey kPaneKeys[] = {
    {"Title", std::nullopt},
    {"ID_CONTENTINSTALL_DESCRIPTION", std::nullopt},
    {"ID_NOAP_DESCRIPTION", std::nullopt},
    {"ID_NOSUITABLEAP_DESCRIPTION", std::nullopt},
    {"ID_NOSUPPORT_EDITION_DESCRIPTION", std::nullopt},
    {"OK_BUTTON", std::nullopt},
    {"ID_WARN_TempPath_NOT_FOUND", std::vector<std::string>{}},
    {"ID_WARN_SAVE_FAILED", std::vector<std::string>{}},
    {"ERROR_READ_PLIST", std::vector<std::string>{"%@", "%lu"}},
};

class Checker {
  public:
    Checker(std::string bundle, std::string shownFrom)
        : bundle_(std::move(bundle)), shownFrom_(std::move(shownFrom)) {}

    std::vector<std::string> run() {
        checkInfo();
        checkSetup();
        checkView();
        checkStrings();
        return std::move(problems_);
    }

  private:
    std::string resource(std::string_view name) const {
        return (fs::path(bundle_) / "Contents" / "Resources" / name).string();
    }
    std::string shown(const std::string& path) const {
        const fs::path relative = fs::path(path).lexically_relative(shownFrom_);
        return relative.empty() ? path : relative.string();
    }
    void add(const std::string& path, const std::string& what) {
        problems_.push_back(shown(path) + ": " + what);
    }

    // The file read as a property list, or nothing after naming why (missing, unreadable,
    // or where it does not parse).
    std::optional<foundation::PlistValue> read(const std::string& path, bool& present) {
        std::error_code error;
        present = fs::exists(path, error);
        if (!present) return std::nullopt;
        const auto bytes = foundation::ContentsAtPath(path, foundation::kMaxPlistFileBytes);
        if (!bytes) {
            add(path, "cannot be read");
            return std::nullopt;
        }
        std::string reason;
        auto value = foundation::ParsePropertyList(*bytes, &reason);
        if (!value) addParseFailure(path, reason);
        return value;
    }

    void addParseFailure(const std::string& path, const std::string& reason) {
        const auto at = reason.find("line ");
        std::size_t end = at == std::string::npos ? at : at + 5;
        while (end != std::string::npos && end < reason.size() &&
               std::isdigit(static_cast<unsigned char>(reason[end]))) {
            ++end;
        }
        if (at == std::string::npos || end == at + 5) {
            add(path, "does not parse (" + reason + ")");
            return;
        }
        problems_.push_back(shown(path) + ":" + reason.substr(at + 5, end - at - 5) +
                            ": does not parse (" + reason + ")");
    }

    const foundation::PlistDict* dictionaryOf(const std::string& path,
                                              const std::optional<foundation::PlistValue>& value) {
        if (!value) return nullptr;
        if (value->dict() == nullptr) add(path, "is not a dictionary");
        return value->dict();
    }

    void checkInfo() {
        const std::string path = (fs::path(bundle_) / "Contents" / "Info.plist").string();
        bool present = false;
        const auto value = read(path, present);
        if (!present) return add(path, "is missing");
        const foundation::PlistDict* info = dictionaryOf(path, value);
        if (info != nullptr && !foundation::StringForKey(info, "CFBundleExecutable")) {
            add(path, "\"CFBundleExecutable\" is missing");
        }
    }

    void checkSetup() {
        const std::string path = resource("SetupSRC.plist");
        bool present = false;
        const auto value = read(path, present);
        if (!present) return add(path, "is missing");
        const foundation::PlistDict* setup = dictionaryOf(path, value);
        if (setup == nullptr) return;
        for (const char* key : {"REQUIRED_PRODUCT_VERSION", "TITLE_MAIN_PACK", "FOR_KZ_OR_STORE"}) {
            if (setup->find(key) == nullptr) add(path, "\"" + std::string(key) + "\" is missing");
        }
        const auto required = foundation::StringOrNumberForKey(setup, "REQUIRED_PRODUCT_VERSION");
        if (required && !IsWholeNumber(*required.text())) {
            add(path, "\"REQUIRED_PRODUCT_VERSION\" is not a number: \"" + *required.text() + "\"");
        }
        const auto flag = foundation::StringOrNumberForKey(setup, "FOR_KZ_OR_STORE");
        if (flag && !IsRouteFlag(*flag.text())) {
            add(path, "\"FOR_KZ_OR_STORE\" is not 0, 1 or 2: \"" + *flag.text() + "\"");
        }
    }

    void checkView() {
        const std::string path = resource("PackgatePane.view");
        bool present = false;
        const auto value = read(path, present);
        if (!present) return add(path, "is missing (the pane shows a plain label and eight rows)");
        dictionaryOf(path, value);
    }

    void checkStrings() {
        std::vector<std::string> tables;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(resource(""), error)) {
            const fs::path table = entry.path() / "Localizable.strings";
            if (entry.path().extension() == ".lproj" && fs::exists(table, error)) {
                tables.push_back(table.string());
            }
        }
        std::sort(tables.begin(), tables.end());
        if (tables.empty()) {
            problems_.push_back(shown(resource("")) +
                                ": no Localizable.strings (every text shows as its key)");
        }
        for (const std::string& table : tables) checkTable(table);
    }

    void checkTable(const std::string& path) {
        const auto bytes = foundation::ContentsAtPath(path, foundation::kMaxPlistFileBytes);
        if (!bytes) return add(path, "cannot be read");
        const auto table = foundation::ParseStringsTable(*bytes);
        if (!table) {
            std::string reason;
            foundation::ParsePropertyList(*bytes, &reason);
            if (reason.empty()) reason = "not a table of strings";
            return addParseFailure(path, reason);
        }
        for (const PaneKey& key : kPaneKeys) {
            const foundation::PlistValue* value = table->find(key.key);
            if (value == nullptr || value->string() == nullptr) {
                add(path, "lacks \"" + std::string(key.key) + "\"");
                continue;
            }
            if (key.directives && FormatDirectives(*value->string()) != *key.directives) {
                add(path, "\"" + std::string(key.key) + "\" must carry " +
                              DirectivesText(*key.directives) + " as a format");
            }
        }
    }

    static bool IsWholeNumber(std::string_view text) {
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
    }
    static bool IsRouteFlag(std::string_view text) {
        return text == "0" || text == "1" || text == "2";
    }
    static std::string DirectivesText(const std::vector<std::string>& directives) {
        if (directives.empty()) return "no directives";
        std::string out;
        for (const std::string& directive : directives) out += (out.empty() ? "" : " then ") + directive;
        return out;
    }

    std::string bundle_;
    std::string shownFrom_;
    std::vector<std::string> problems_;
};

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

std::vector<std::string> CheckBundle(const std::string& bundlePath, const std::string& shownFrom) {
    return Checker(bundlePath, shownFrom).run();
}

PackCheck CheckPack(const std::string& path) {
    PackCheck check;
    const fs::path folder = fs::path(path).lexically_normal();
    const fs::path inPack = folder / kPackBundlePath;
    if (IsFolder(inPack)) {
        check.bundlePath = inPack.string();
    } else if (IsFolder(folder / "Contents")) {
        check.bundlePath = folder.string();
    } else {
        check.problems.push_back(path + ": neither a pack (" + std::string(kPackBundlePath) +
                                 ") nor a bundle folder (Contents/)");
        return check;
    }
    check.problems = CheckBundle(check.bundlePath, folder.string());
    return check;
}

}  // namespace installer
