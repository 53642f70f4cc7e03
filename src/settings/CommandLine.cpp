#include "CommandLine.h"

#include "CPlayerCommandLineInfo.h"
#include "RegKey.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

std::string Absolute(const std::string& path) {
    if (path.empty() || path.front() == '/' || path.find(':') != std::string::npos) {
        return path;
    }
    return velvaro::platform::LaunchDirectory() + path;
}

bool IsSlashFlag(const std::string& argument) {
    if (argument.size() < 2 || argument.front() != '/' || FileExists(argument)) {
        return false;
    }
    const auto colon = argument.find(':');
    return CPlayerCommandLineInfo::IsOptionWord(
        argument.substr(1, colon == std::string::npos ? std::string::npos : colon - 1));
}

}  // namespace

void ParseCommandLine(CPlayerCommandLineInfo& info, const std::vector<std::string>& arguments) {
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool last = i + 1 == arguments.size();
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string flag;
        bool isFlag = false;
        if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            flag = argument.substr(argument.compare(0, 2, "--") == 0 ? 2 : 1);
            isFlag = true;
        } else if (!optionsEnded && IsSlashFlag(argument)) {
            flag = argument.substr(1);
            isFlag = true;
        }
        info.ParseParam(isFlag ? flag : argument, isFlag, last);
    }
    info.SetFileName(Absolute(info.GetFileName()));
    info.SetAudioFile(Absolute(info.GetAudioFile()));
    info.SetBookmarkFile(Absolute(info.GetBookmarkFile()));
}
