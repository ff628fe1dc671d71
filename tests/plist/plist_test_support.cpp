#include "plist_test_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <type_traits>
#include <variant>

namespace plist_test {
namespace {

using foundation::PlistArray;
using foundation::PlistData;
using foundation::PlistDate;
using foundation::PlistDict;
using foundation::PlistValue;
using nlohmann::json;

std::string HexOf(const PlistData& data) {
    std::string out;
    for (const auto byte : data) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(byte));
        out += hex;
    }
    return out;
}

// The tagged JSON form that plist_fixtures.py reads.
json Tagged(const PlistValue& value) {
    return std::visit(
        [](const auto& v) -> json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return {{"string", v}};
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                return {{"integer", v}};
            } else if constexpr (std::is_same_v<T, double>) {
                return {{"real", v}};
            } else if constexpr (std::is_same_v<T, bool>) {
                return {{"bool", v}};
            } else if constexpr (std::is_same_v<T, PlistDate>) {
                return {{"date", v.secondsSince2001}};
            } else if constexpr (std::is_same_v<T, PlistData>) {
                return {{"data", HexOf(v)}};
            } else if constexpr (std::is_same_v<T, PlistArray>) {
                json items = json::array();
                for (const auto& item : v) items.push_back(Tagged(item));
                return {{"array", items}};
            } else {
                json entries = json::array();
                for (std::size_t i = 0; i < v.size(); ++i) {
                    entries.push_back(json::array({v.keys()[i], Tagged(v.valueAt(i))}));
                }
                return {{"dict", entries}};
            }
        },
        value.storage());
}

std::string FixtureScript() {
    return PLIST_FIXTURE_SCRIPT;
}

// Runs plist_fixtures.py with `input` on its standard input; answers its exit status.
int RunFixtureScript(const std::string& command, const std::string& argument,
                     const std::string& input) {
    packgate_test::ScratchFolder scratch;
    const std::string inputPath = scratch / "input.json";
    WriteFile(inputPath, ToBytes(input));
    const std::string line = "python3 '" + FixtureScript() + "' " + command + " '" + argument +
                             "' < '" + inputPath + "'";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string ToText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::optional<PlistValue> Parse(std::string_view text, std::string* error, unsigned* format) {
    const Bytes bytes = ToBytes(text);
    return foundation::ParsePropertyList(bytes, error, format);
}

PlistValue Dict(std::vector<std::pair<std::string, PlistValue>> entries) {
    PlistDict dict;
    for (auto& [key, value] : entries) dict.set(key, std::move(value));
    return dict;
}

PlistValue Array(std::vector<PlistValue> items) {
    return PlistArray(std::move(items));
}

PlistValue Int(std::int64_t value) {
    return PlistValue(value);
}

PlistValue EveryKindTree() {
    return Dict({
        {"Product Name", "Quillet"},
        {"Unicode", "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xa8"},
        {"Empty", ""},
        {"Markup", "a < b & c > d"},
        {"Count", Int(42)},
        {"Negative", Int(-7)},
        {"Large", Int(int64_t{1} << 40)},
        {"Ratio", 0.1},
        {"Yes", true},
        {"No", false},
        {"When", foundation::PlistDate{600000000}},
        {"Blob", PlistData{0x00, 0x01, 0xfe, 0xff}},
        {"List", Array({"one", Int(2), Array({}), Dict({})})},
        {"Nested", Dict({{"Inner", Dict({{"Deep", "value"}})}})},
    });
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool PlistlibWrite(const std::string& folder, const std::vector<PlistlibCase>& cases) {
    json list = json::array();
    for (const auto& c : cases) {
        list.push_back({{"name", c.name}, {"format", c.format}, {"value", Tagged(c.value)}});
    }
    return RunFixtureScript("write", folder, list.dump()) == 0;
}

bool PlistlibReadsAs(const std::string& path, const PlistValue& value) {
    return RunFixtureScript("check", path, Tagged(value).dump()) == 0;
}

bool SameTree(const PlistValue& a, const PlistValue& b) {
    return Tagged(a) == Tagged(b);
}

}  // namespace plist_test
