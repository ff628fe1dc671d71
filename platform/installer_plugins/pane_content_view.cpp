#include <charconv>

#include "foundation/plist_read.h"
#include "installer_plugins/installer_pane.h"

namespace {

constexpr long kDefaultRows = 8;
constexpr long kMaxRows = 64;
constexpr long kDefaultSelectedRow = 0;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A whole number given as an integer or as a text that holds only a decimal integer (and
// white space around it); nothing for anything else, so a typo falls back to the default
// instead of being read as 0.
std::optional<long> WholeNumber(const foundation::PlistValue* value) {
    if (value == nullptr) return std::nullopt;
    if (const std::int64_t* integer = value->integer()) return static_cast<long>(*integer);
    const std::string* text = value->string();
    if (text == nullptr) return std::nullopt;
    std::string_view rest = *text;
    while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && IsSpace(rest.back())) rest.remove_suffix(1);
    if (rest.starts_with("+")) rest.remove_prefix(1);
    long number = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    if (error != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
    return number;
}

long NumberOr(const foundation::PlistDict* dict, std::string_view key, long fallback, long low,
              long high) {
    const auto number = WholeNumber(dict ? dict->find(key) : nullptr);
    if (!number || *number < low || *number > high) return fallback;
    return *number;
}

}  // namespace

PaneContentView LoadPaneContentView(const std::optional<std::string>& path) {
    const auto description = foundation::DictionaryWithContentsOfFile(path);
    const foundation::PlistDict* top = description ? &*description : nullptr;
    const foundation::PlistDict* label = foundation::DictForKey(top, "Label");
    const foundation::PlistDict* matrix = foundation::DictForKey(top, "Matrix");

    const long rows = NumberOr(matrix, "Rows", kDefaultRows, 0, kMaxRows);
    const long selected = NumberOr(matrix, "SelectedRow", kDefaultSelectedRow, 0, rows - 1);

    PaneContentView view;
    view.window = std::make_unique<appkit::Window>();
    view.label = std::make_shared<appkit::TextField>();
    view.label->setStringValue(foundation::StringForKey(label, "Text").value_or(""));
    view.label->setWindow(view.window.get());
    view.matrix = std::make_shared<appkit::RadioMatrix>(static_cast<std::size_t>(rows));
    view.matrix->setWindow(view.window.get());
    if (rows > 0) view.matrix->selectCellAtRow(static_cast<std::size_t>(selected));
    return view;
}
