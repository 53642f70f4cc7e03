// Parse and write times of the markup document, to check that both stay
// linear: a 10 MB playlist of 100 000 items, and 10 000 items appended one by one.
#include "docs/CXmlDocument.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kParseItems = 100000;
constexpr int kAppendItems = 10000;
constexpr int kRounds = 5;

std::string ItemPath(int i) {
    return "/home/user/Videos/Holidays/2024/clip_" + std::to_string(100000 + i) + ".mkv";
}

std::string MakePlaylist() {
    std::string text = "<?xml version=\"1.0\"?>\r\n<velvaro build=\"1.2.0.3\">\r\n<playlist>\r\n";
    for (int i = 0; i < kParseItems; ++i) {
        text += "<media audio=\"audio/track_" + std::to_string(i) + ".ogg\">" + ItemPath(i) +
                " &amp; co</media>\r\n";
    }
    text += "</playlist>\r\n</velvaro>\r\n";
    return text;
}

template <typename Work>
double BestMilliseconds(Work work) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main() {
    const std::string text = MakePlaylist();
    CXmlDocument doc;
    bool parsed = false;
    const double parse = BestMilliseconds([&] { parsed = doc.SetDocument(text); });

    int items = 0;
    const double read = BestMilliseconds([&] {
        CXmlDocument reader = doc;
        items = 0;
        reader.FindElement("velvaro");
        reader.FindChildElement("playlist");
        reader.IntoElement();
        while (reader.FindChildElement("media")) {
            items += !reader.GetChildData().empty() && !reader.GetChildAttribute("audio").empty();
        }
    });

    std::size_t written = 0;
    const double append = BestMilliseconds([&] {
        CXmlDocument writer;
        writer.SetDocument("");
        writer.AddElement("velvaro");
        writer.SetAttribute("build", "1.2.0.3");
        writer.AddChildElement("playlist");
        writer.IntoElement();
        for (int i = 0; i < kAppendItems; ++i) {
            writer.AddChildElement("media", ItemPath(i));
            writer.SetChildAttribute("audio", "audio/track_" + std::to_string(i) + ".ogg");
        }
        written = writer.GetDocument().size();
    });

    std::printf("parse  %7.2f MB, %d elements: %8.2f ms (%s)\n", text.size() / 1e6, kParseItems + 2,
                parse, parsed ? "well formed" : "NOT well formed");
    std::printf("read   %d items, data and attribute: %8.2f ms\n", items, read);
    std::printf("append %d elements one by one (%zu bytes): %8.2f ms\n", kAppendItems, written,
                append);
    std::printf("best of %d rounds each\n", kRounds);
    return parsed && items == kParseItems ? 0 : 1;
}
