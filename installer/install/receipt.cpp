#include "installer/install/receipt.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "foundation/files.h"
#include "foundation/plist_read.h"
#include "foundation/plist_value.h"
#include "foundation/plist_write.h"
#include "installer/install/file_digest.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

constexpr double kUnixTo2001 = 978307200.0;

std::string KeyOfDestination(const std::string& destination) {
    Sha256 sha;
    sha.add(destination.data(), destination.size());
    return sha.hex().substr(0, 16);
}

foundation::PlistArray FilesValue(const std::vector<ReceiptFile>& files) {
    foundation::PlistArray array;
    for (const ReceiptFile& file : files) {
        foundation::PlistDict entry;
        entry.set("Path", file.path);
        entry.set("Size", static_cast<std::int64_t>(file.size));
        entry.set("SHA256", file.sha256);
        array.emplace_back(std::move(entry));
    }
    return array;
}

foundation::PlistDict ReceiptDict(const Receipt& receipt) {
    foundation::PlistDict dict;
    dict.set("Identifier", receipt.identifier);
    dict.set("Version", receipt.version);
    dict.set("Title", receipt.packTitle);
    dict.set("HostTitle", receipt.hostTitle);
    dict.set("HostKind", receipt.hostKind);
    dict.set("HostPath", receipt.hostPath);
    dict.set("Destination", receipt.destination);
    if (!receipt.signerKeyId.empty()) dict.set("SignerKeyID", receipt.signerKeyId);
    dict.set("InstalledAt", foundation::PlistDate{receipt.installedAt});
    dict.set("Files", FilesValue(receipt.files));
    foundation::PlistArray folders;
    for (const std::string& folder : receipt.createdFolders) folders.emplace_back(folder);
    dict.set("CreatedFolders", std::move(folders));
    return dict;
}

std::string Text(const foundation::PlistDict& dict, std::string_view key) {
    return foundation::StringForKey(&dict, key).value_or("");
}

bool ReadFiles(const foundation::PlistDict& dict, Receipt& receipt) {
    const foundation::PlistValue* files = dict.find("Files");
    if (files == nullptr || files->array() == nullptr) return false;
    for (const foundation::PlistValue& item : *files->array()) {
        const foundation::PlistDict* entry = item.dict();
        if (entry == nullptr) return false;
        const foundation::PlistValue* size = entry->find("Size");
        ReceiptFile file{Text(*entry, "Path"), 0, Text(*entry, "SHA256")};
        if (size == nullptr || size->integer() == nullptr || *size->integer() < 0) return false;
        file.size = static_cast<unsigned long long>(*size->integer());
        if (file.path.empty()) return false;
        receipt.files.push_back(std::move(file));
    }
    return true;
}

}  // namespace

bool IsReceiptIdentifier(const std::string& identifier) {
    if (identifier.empty() || identifier.front() == '.' || identifier.size() > 200) return false;
    return std::all_of(identifier.begin(), identifier.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == '_';
    });
}

std::string ReceiptsFolder(const std::string& home) {
    return home + "/Library/Receipts/Packgate";
}

std::string ReceiptPathFor(const std::string& home, const std::string& identifier,
                           const std::string& destination) {
    return ReceiptsFolder(home) + "/" + identifier + "/" + KeyOfDestination(destination) + ".plist";
}

std::vector<std::string> ReceiptPaths(const std::string& home, const std::string& identifier) {
    std::vector<std::string> paths;
    const std::string top = ReceiptsFolder(home);
    std::vector<std::string> packs{identifier};
    if (identifier.empty()) packs = foundation::ContentsOfDirectoryAtPath(top).value_or(packs);
    for (const std::string& pack : packs) {
        if (!IsReceiptIdentifier(pack)) continue;
        const std::string folder = top + "/" + pack;
        for (const std::string& name : foundation::ContentsOfDirectoryAtPath(folder).value_or(
                 std::vector<std::string>{})) {
            if (name.size() > 6 && name.front() != '.' && name.ends_with(".plist")) {
                paths.push_back(folder + "/" + name);
            }
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::optional<Receipt> ReadReceipt(const std::string& path) {
    const auto dict = foundation::DictionaryWithContentsOfFile(path);
    if (!dict) return std::nullopt;
    Receipt receipt;
    receipt.identifier = Text(*dict, "Identifier");
    receipt.version = Text(*dict, "Version");
    receipt.packTitle = Text(*dict, "Title");
    receipt.hostTitle = Text(*dict, "HostTitle");
    receipt.hostKind = Text(*dict, "HostKind");
    receipt.hostPath = Text(*dict, "HostPath");
    receipt.destination = Text(*dict, "Destination");
    receipt.signerKeyId = Text(*dict, "SignerKeyID");
    if (const foundation::PlistValue* date = dict->find("InstalledAt"); date && date->date()) {
        receipt.installedAt = date->date()->secondsSince2001;
    }
    if (const foundation::PlistValue* folders = dict->find("CreatedFolders");
        folders && folders->array()) {
        for (const foundation::PlistValue& folder : *folders->array()) {
            if (folder.string()) receipt.createdFolders.push_back(*folder.string());
        }
    }
    if (receipt.identifier.empty() || receipt.destination.empty() || !ReadFiles(*dict, receipt)) {
        return std::nullopt;
    }
    return receipt;
}

std::string WriteReceipt(const Receipt& receipt, const std::string& path) {
    if (std::string error = MakeFoldersAbove(path); !error.empty()) return error;
    errno = 0;
    if (!foundation::WriteDictionaryToFile(ReceiptDict(receipt), path, /*atomically=*/true)) {
        return path + ": " + std::strerror(errno != 0 ? errno : EIO);
    }
    return "";
}

std::string MakeFoldersAbove(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (platform::Posix().mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
            return folder + ": " + std::strerror(errno);
        }
    }
    return "";
}

std::optional<std::string> ReceiptText(const Receipt& receipt) {
    const foundation::PlistValue value(ReceiptDict(receipt));
    if (!foundation::IsXmlWritable(value)) return std::nullopt;
    return foundation::XmlPropertyListText(value);
}

int CompareVersions(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        const std::size_t ei = std::min(a.find('.', i), a.size());
        const std::size_t ej = std::min(b.find('.', j), b.size());
        const std::string pa = i < a.size() ? a.substr(i, ei - i) : "0";
        const std::string pb = j < b.size() ? b.substr(j, ej - j) : "0";
        const bool numbers = !pa.empty() && !pb.empty() && pa.size() < 18 && pb.size() < 18 &&
                             pa.find_first_not_of("0123456789") == std::string::npos &&
                             pb.find_first_not_of("0123456789") == std::string::npos;
        if (numbers) {
            const long long na = std::stoll(pa);
            const long long nb = std::stoll(pb);
            if (na != nb) return na < nb ? -1 : 1;
        } else if (pa != pb) {
            return pa < pb ? -1 : 1;
        }
        i = ei + 1;
        j = ej + 1;
    }
    return 0;
}

double SecondsSince2001Now() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count() - kUnixTo2001;
}

}  // namespace installer
