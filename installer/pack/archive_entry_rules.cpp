#include "installer/pack/archive_entry_rules.h"

#include <set>

#include "system/utf8_text.h"

namespace installer {
namespace {

const std::string_view kPayload = "Contents/Payload";

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view part = path.substr(start, slash - start);
        if (!part.empty() && part != ".") parts.emplace_back(part);
        start = slash + 1;
    }
    return parts;
}

std::string Joined(const std::vector<std::string>& parts, std::size_t from = 0) {
    std::string path;
    for (std::size_t i = from; i < parts.size(); ++i) {
        if (!path.empty()) path += '/';
        path += parts[i];
    }
    return path;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

bool IsPackFolderName(const std::string& name) {
    return name.size() > 5 && name.ends_with(".pack");
}

bool InPayload(std::string_view path) {
    return path == kPayload || (path.starts_with(kPayload) && path[kPayload.size()] == '/');
}

std::optional<EntryRefusal> KindRefusal(EntryKind kind) {
    switch (kind) {
        case EntryKind::File:
        case EntryKind::Folder:
        case EntryKind::SymbolicLink: return std::nullopt;
        case EntryKind::HardLink: return EntryRefusal::HardLink;
        case EntryKind::Device: return EntryRefusal::Device;
        case EntryKind::Fifo: return EntryRefusal::Fifo;
        case EntryKind::Socket: return EntryRefusal::Socket;
        case EntryKind::Other: break;
    }
    return EntryRefusal::OtherKind;
}

std::optional<EntryRefusal> NameRefusal(std::string_view name,
                                        const std::vector<std::string>& parts) {
    if (name.starts_with('/')) return EntryRefusal::AbsolutePath;
    if (!platform::IsValidUtf8(name)) return EntryRefusal::BadEncoding;
    if (HasControlCharacter(name)) return EntryRefusal::ControlCharacter;
    for (const std::string& part : parts) {
        if (part == "..") return EntryRefusal::DotDot;
        if (part.size() > kMaxNameBytes) return EntryRefusal::NameTooLong;
    }
    if (name.size() > kMaxEntryPathBytes) return EntryRefusal::PathTooLong;
    return std::nullopt;
}

// The place in the pack of an entry whose name is made of `parts`.
std::optional<EntryPlace> PlaceOf(const std::vector<std::string>& parts) {
    if (parts.empty()) return EntryPlace{};
    if (parts[0] == "Contents") return EntryPlace{Joined(parts), {}};
    if (!IsPackFolderName(parts[0])) return std::nullopt;
    if (parts.size() > 1 && parts[1] != "Contents") return std::nullopt;
    return EntryPlace{Joined(parts, 1), parts[0]};
}

// The first link among the folders above `path` (not `path` itself), if any.
bool BeneathALink(const std::string& path, const std::set<std::string>& links) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (links.count(path.substr(0, slash))) return true;
    }
    return false;
}

// Why the link at `path` to `target` may not be made, if it may not.
std::optional<EntryRefusal> LinkRefusal(const std::string& path, const std::string& target,
                                        const std::set<std::string>& links) {
    if (InPayload(path)) return EntryRefusal::LinkInPayload;
    if (path.empty()) return EntryRefusal::OutsideContents;
    if (target.empty() || target.starts_with('/')) return EntryRefusal::LinkOutside;
    // Read step by step, so that a step through another of the archive's links (whose own
    // target the lexical reading cannot see) is caught.
    std::vector<std::string> parts = Components(path);
    parts.pop_back();
    const std::vector<std::string> steps = Components(target);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == "..") {
            if (parts.empty()) return EntryRefusal::LinkOutside;
            parts.pop_back();
        } else {
            parts.push_back(steps[i]);
        }
        if (i + 1 < steps.size() && links.count(Joined(parts))) return EntryRefusal::BeneathLink;
    }
    if (InPayload(Joined(parts))) return EntryRefusal::LinkIntoPayload;
    return std::nullopt;
}

}  // namespace

std::string CapText(std::uint64_t bytes) {
    static const std::pair<std::uint64_t, const char*> kUnits[] = {
        {1ull << 30, " GiB"}, {1ull << 20, " MiB"}, {1ull << 10, " KiB"}};
    for (const auto& [unit, name] : kUnits) {
        if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + name;
    }
    return std::to_string(bytes) + " B";
}

std::string ReasonKey(EntryRefusal refusal) {
    static const char* const kKeys[] = {
        "absolute", "dotdot", "encoding", "control", "name_long", "path_long", "outside",
        "hard_link", "device", "fifo", "socket", "other_kind", "link_in_payload",
        "link_into_payload", "link_outside", "beneath_link", "duplicate", "file_too_large",
        "total_too_large", "too_many"};
    return std::string("pack.reason.") + kKeys[static_cast<std::size_t>(refusal)];
}

EntryCheck CheckEntryHeader(const EntryHeader& header, const ArchiveCaps& caps) {
    const std::vector<std::string> parts = Components(header.name);
    if (auto refusal = NameRefusal(header.name, parts)) return {{}, refusal};
    if (auto refusal = KindRefusal(header.kind)) return {{}, refusal};
    if (header.size > caps.fileBytes) return {{}, EntryRefusal::FileTooLarge};
    auto place = PlaceOf(parts);
    if (!place) return {{}, EntryRefusal::OutsideContents};
    return {place, {}};
}

EntryListCheck::EntryListCheck(const ArchiveCaps& caps) : caps_(caps) {}

std::optional<ListRefusal> EntryListCheck::add(const EntryHeader& header) {
    if (count_ >= caps_.entries) return ListRefusal{header.name, EntryRefusal::TooManyEntries};
    EntryCheck check = CheckEntryHeader(header, caps_);
    if (check.refusal) return ListRefusal{header.name, *check.refusal};
    const EntryPlace& place = *check.place;
    const bool marksTop = !place.path.empty() || !place.topFolder.empty();
    if (marksTop && !top_) top_ = place.topFolder;
    if (marksTop && *top_ != place.topFolder) {
        return ListRefusal{header.name, EntryRefusal::OutsideContents};
    }
    const bool folder = header.kind == EntryKind::Folder;
    if (files_.count(place.path) || (!folder && folders_.count(place.path))) {
        return ListRefusal{header.name, EntryRefusal::Duplicate};
    }
    total_ += header.size;
    if (total_ > caps_.totalBytes) return ListRefusal{header.name, EntryRefusal::TotalTooLarge};
    const std::size_t at = count_++;
    (folder ? folders_ : files_).emplace(place.path, at);
    if (BeneathALink(place.path, links_)) noteBeneath(at, header.name);
    if (header.kind == EntryKind::SymbolicLink) {
        links_.insert(place.path);
        linkHeaders_.emplace_back(at, header);
        noteEntriesBeneath(place.path);
    }
    return std::nullopt;
}

void EntryListCheck::noteBeneath(std::size_t at, const std::string& name) {
    if (!beneath_ || at < beneath_->at) beneath_ = Refused{at, {name, EntryRefusal::BeneathLink}};
}

// The entries that came before the link `link` and lie beneath it; they are named by their
// place, their archive names being no longer kept.
void EntryListCheck::noteEntriesBeneath(const std::string& link) {
    const std::string inside = link + "/";
    const std::string top = top_ && !top_->empty() ? *top_ + "/" : "";
    for (const auto* paths : {&files_, &folders_}) {
        for (auto it = paths->lower_bound(inside); it != paths->end() && it->first.starts_with(inside); ++it) {
            noteBeneath(it->second, top + it->first);
        }
    }
}

std::optional<ListRefusal> EntryListCheck::finish() const {
    std::optional<Refused> first = beneath_;
    for (const auto& [at, header] : linkHeaders_) {
        if (first && first->at < at) break;
        const std::string path = CheckEntryHeader(header, caps_).place->path;
        if (auto refusal = LinkRefusal(path, header.linkTarget, links_)) {
            first = Refused{at, {header.name, *refusal}};
            break;
        }
    }
    if (!first) return std::nullopt;
    return first->refusal;
}

std::optional<ListRefusal> CheckEntryList(const std::vector<EntryHeader>& headers,
                                          const ArchiveCaps& caps) {
    EntryListCheck check(caps);
    for (const EntryHeader& header : headers) {
        if (auto refusal = check.add(header)) return refusal;
    }
    return check.finish();
}

}  // namespace installer
