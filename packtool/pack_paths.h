// Small path questions the commands share.
#pragma once

#include <sys/types.h>

#include <string>

namespace packtool {

// Whether `path` is a folder (or a link to one).
bool IsFolder(const std::string& path);

// Whether `path` is `folder` or lies inside it, links resolved ("a/b/../c" too).
bool IsWithin(const std::string& path, const std::string& folder);

// "Demo.pack/" -> "Demo.pack"; "/" stays "/".
std::string WithoutTrailingSlashes(std::string path);

// The folder that holds `path`: "." for a bare name.
std::string ParentOf(const std::string& path);

// The process's file creation mask, left as it was.
mode_t CurrentUmask();

}  // namespace packtool
