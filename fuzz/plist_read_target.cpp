// Property lists of all three formats (binary, XML, old-style) through the reader that every
// record of the pane goes through, then the log description and the XML writer that makes
// the handoff list.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "foundation/plist_read.h"
#include "foundation/plist_value.h"
#include "foundation/plist_write.h"
#include "fuzz_check.h"
#include "plist_tree_checks.h"

namespace {

using foundation::PlistFormat;

constexpr std::size_t kLongestDescription = 1024 * 1024 + 3;

bool IsKnownFormat(unsigned format) {
    return format == static_cast<unsigned>(PlistFormat::OpenStep) ||
           format == static_cast<unsigned>(PlistFormat::Xml) ||
           format == static_cast<unsigned>(PlistFormat::Binary);
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    unsigned format = 0;
    const auto value = foundation::ParsePropertyList({data, size}, &error, &format);
    if (!value) {
        // A refusal always says why, in one line (it goes into a log line).
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(error.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(format == 0);
        return 0;
    }
    FUZZ_CHECK(IsKnownFormat(format));
    const packgate_fuzz::TreeSize tree = packgate_fuzz::MeasureTree(*value);
    FUZZ_CHECK(tree.depth <= foundation::kMaxPlistDepth);
    FUZZ_CHECK(tree.values <= foundation::kMaxPlistObjects);
    FUZZ_CHECK(tree.bytes <= foundation::kMaxPlistValueBytes);

    // Hostile values reach the log through the description.
    const std::string description = foundation::DescribePlist(*value);
    FUZZ_CHECK(!description.empty() || (value->string() && value->string()->empty()));
    // However large the tree, its description stays a log line: at most 1 MiB and "...".
    FUZZ_CHECK(description.size() <= kLongestDescription);

    if (packgate_fuzz::WritableAsXml(*value)) {
        const std::string xml = foundation::XmlPropertyListText(*value);
        // A shared object may expand into more XML than any reader takes.
        if (xml.size() > foundation::kMaxPlistFileBytes) return 0;
        const auto again = foundation::ParsePropertyList(Bytes(xml));
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(packgate_fuzz::SameAfterXml(*value, *again));
    }
    return 0;
}
