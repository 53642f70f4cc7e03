#include "FormatText.h"

namespace velvaro::platform {

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string text;
    text.reserve(format.size());
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            text += format[i];
        } else if (format[i + 1] == '%') {
            text += '%';
            ++i;
        } else if (format[i + 1] == 's') {
            if (next != args.end()) {
                text += *next++;
            }
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

}  // namespace velvaro::platform
