// What a pane tells its host about every copy of the host application it examined on its
// last entry: the facts it read and why a copy was offered or turned away. A host finds it on
// a loaded pane with dynamic_cast<const PaneCandidates*>; a pane without it explains nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform_export.h"

// One examined copy. Facts the pane did not reach, or that were missing, stay empty.
struct PaneCandidate {
    std::string source;              // "direct" (shared-data list) or "store" (container)
    std::string name;                // the registry key, or the container folder's name
    std::string productName;         // direct: the entry's "Product Name"
    std::string recordPath;          // direct: the host list's path; store: the store list's
    std::string applicationPath;     // the application's folder
    std::string applicationVersion;  // its CFBundleShortVersionString
    std::string statedVersion;       // the version the record says the application has
    std::string minimumDataVersion;  // direct: the entry's "Minimum Data Version"
    std::string revisionCode;        // the revision code read for the copy
    bool offered = false;
    long tag = -1;  // the row's tag when offered
    // When turned away: the first failed test as a stable snake_case code, the values its
    // explanation names (e.g. {"stated","5.3"}, {"found","5.2"}) and the explanation in
    // English, as the pane's log carries it.
    std::string reasonCode;
    std::vector<std::pair<std::string, std::string>> reasonFields;
    std::string reason;
};

class PACKGATE_PLATFORM_API PaneCandidates {
  public:
    // Defined in the platform library, so the class's type information exists once and a
    // cast finds it across the plug-in boundary.
    virtual ~PaneCandidates();
    // Every copy examined on the last entry, in the order it was examined.
    virtual const std::vector<PaneCandidate>& candidates() const = 0;
};
