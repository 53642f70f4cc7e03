// Lists written by older programs are in the Windows code page rather than
// UTF-8; they are read all the same.
#pragma once

#include <string>
#include <string_view>

namespace velvaro::docs {

bool IsValidUtf8(std::string_view text);
// Letters above 0x9F are Latin-1's; the rarely used 0x80-0x9F are kept as
// Latin-1 too.
std::string FromLegacyEncoding(std::string_view text);

}  // namespace velvaro::docs
