// Byte counts as a person reads them: "512 bytes", "1.4 MB" (decimal units, one decimal).
#pragma once

#include <cstdint>
#include <string>

namespace installer {

std::string SizeText(std::uint64_t bytes);

}  // namespace installer
