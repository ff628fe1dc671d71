// Yes/no checks on a host application: is it there, does its version agree with its record,
// does a stated minimum data version reach 1.0.
#include <cstddef>
#include <optional>
#include <string>

#include "foundation/files.h"
#include "foundation/plist_read.h"
#include "foundation/system_log.h"
#include "foundation/text_values.h"
#include "pane/packgate_pane.h"

using foundation::NSLog;

bool PackgatePane::Check_Folder_Exit(const std::optional<std::string>& path) const {
    return foundation::FileExistsAtPath(path);
}

bool PackgatePane::Check_AP_Version(const std::optional<std::string>& version,
                                    const std::optional<std::string>& apPath) {
    if (!foundation::FileExistsAtPath(apPath)) return false;

    // Plain concatenation: a path ending in "/" gives "//", which the file system accepts.
    const auto info = foundation::DictionaryWithContentsOfFile(*apPath + "/Contents/Info.plist");
    const foundation::PlistDict* infoDict = info ? &*info : nullptr;

    // A prefix test by characters, not by number: "2.1" accepts "2.1.5" and "2.10".
    std::optional<std::string> hostVersion =
        foundation::StringForKey(infoDict, "CFBundleShortVersionString");
    const std::size_t wanted = version ? foundation::Utf16Length(*version) : 0;
    if (hostVersion && foundation::Utf16Length(*hostVersion) >= wanted) {
        hostVersion = foundation::SubstringToIndex(*hostVersion, wanted);
    }

    strStoreAPTitle = foundation::StringForKey(infoDict, "CFBundleName");
    NSLog("KZ_a=%@,KZ_b=%@", version, hostVersion);
    return foundation::IsEqualToString(version, hostVersion);
}

bool PackgatePane::Check_AP_Minimum_Version(const foundation::StringOrNumber& version) const {
    // NaN compares as no.
    return version.floatValue() >= foundation::FloatValue(std::string("1.0"));
}
