// Fills "%s" placeholders of a text that comes from a language file. Only
// "%s" and "%%" are understood: a damaged text can never read arguments that
// are not there, as printf would.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace velvaro::platform {

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace velvaro::platform
