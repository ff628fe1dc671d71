#include "pane_rig.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#ifndef PACKGATE_RESOURCES_DIR
#error "PACKGATE_RESOURCES_DIR must name the project's resources folder"
#endif

namespace fs = std::filesystem;

namespace packgate_reliability {
namespace {

std::string NewFolder() {
    std::string pattern = (fs::temp_directory_path() / "packgate-rig-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void Copy(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

}  // namespace

BundleFolder::BundleFolder() : folder_(NewFolder()), path_(folder_ + "/Packgate.bundle") {
    const std::string resources = PACKGATE_RESOURCES_DIR;
    Copy(resources + "/Info.plist", path_ + "/Contents/Info.plist");
    for (const char* name :
         {"SetupSRC.plist", "PackgatePane.view", "en.lproj/Localizable.strings"}) {
        Copy(resources + "/" + name, path_ + "/Contents/Resources/" + name);
    }
    fs::create_directories(path_ + "/Contents/MacOS");
}

BundleFolder::~BundleFolder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

foundation::Bundle BundleFolder::bundle() const {
    auto bundle = foundation::Bundle::AtPath(path_);
    if (!bundle) throw std::runtime_error("the bundle folder is missing: " + path_);
    return *bundle;
}

void BundleFolder::writeResource(const std::string& name, const std::string& text) const {
    std::ofstream out(path_ + "/Contents/Resources/" + name, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write the resource " + name);
}

void BundleFolder::restoreResource(const std::string& name) const {
    Copy(std::string(PACKGATE_RESOURCES_DIR) + "/" + name, path_ + "/Contents/Resources/" + name);
}

LogLines::LogLines(bool keep) {
    if (keep) {
        previous_ =
            foundation::SetLogSink([this](std::string_view line) { lines_.emplace_back(line); });
    } else {
        previous_ = foundation::SetLogSink([](std::string_view) {});
    }
}

LogLines::~LogLines() {
    foundation::SetLogSink(previous_);
}

bool LogLines::contains(std::string_view line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

std::string RowProblems(const PackgatePane& pane) {
    const std::size_t rows = pane.kProductTitle().size();
    for (const auto* array :
         {&pane.m_kProductInstallPath(), &pane.m_kProductTemplatePath(), &pane.m_kProductEM2(),
          &pane.m_kProductType(), &pane.m_kRevCode(), &pane.m_kapPlistPath()}) {
        if (array->size() != rows) return "row arrays of different lengths";
    }
    for (const std::string& type : pane.m_kProductType()) {
        if (type != "KZ" && type != "Store") return "a row of unknown product type " + type;
    }
    const auto& matrix = pane.m_pMatrix();
    if (!matrix) return "no radio matrix";
    if (matrix->numberOfRows() != rows) {
        return "the matrix shows " + std::to_string(matrix->numberOfRows()) + " rows for " +
               std::to_string(rows) + " hosts";
    }
    const auto cells = matrix->cells();
    for (std::size_t i = 0; i < rows; ++i) {
        if (cells[i]->tag() != static_cast<long>(i))
            return "row " + std::to_string(i) + " mistagged";
        if (cells[i]->title() != pane.kProductTitle()[i]) {
            return "row " + std::to_string(i) + " mistitled";
        }
    }
    if (pane.nextEnabled() != (rows != 0)) return "Continue does not match the rows";
    if (rows != 0 && matrix->selectedCell() == nullptr) return "rows without a selection";
    return "";
}

std::string SheetMessage(const PackgatePane& pane) {
    const appkit::Window* window = pane.window();
    if (window == nullptr || !window->sheet()) return "";
    return window->sheet()->message;
}

}  // namespace packgate_reliability
