// Localizable.strings files: the strings-file form and any property list of strings.
#include <cstddef>
#include <cstdint>

#include "foundation/plist_read.h"
#include "foundation/plist_value.h"
#include "fuzz_check.h"
#include "plist_tree_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto table = foundation::ParseStringsTable({data, size});
    if (!table) return 0;
    // What the pane shows comes from here: every entry must be a string, and the table must
    // keep to the reader's limits like any property list.
    for (std::size_t i = 0; i < table->size(); ++i) {
        FUZZ_CHECK(table->valueAt(i).string() != nullptr);
        FUZZ_CHECK(table->find(table->keys()[i]) != nullptr);
    }
    const auto tree = packgate_fuzz::MeasureTree(foundation::PlistValue(*table));
    FUZZ_CHECK(tree.values <= foundation::kMaxPlistObjects);
    FUZZ_CHECK(tree.bytes <= foundation::kMaxPlistValueBytes);
    return 0;
}
