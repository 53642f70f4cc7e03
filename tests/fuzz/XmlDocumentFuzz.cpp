// Feeds arbitrary bytes to the markup document, walks what it parsed, edits
// it, and checks that the index still matches the text.
#include "CXmlDocumentProbe.h"
#include "docs/CXmlDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>

namespace {

constexpr std::string_view kNames[] = {"",      "a",     "b",     "velvaro", "playlist",
                                       "media", "audio", "build", "time",    "x/y"};
constexpr std::string_view kValues[] = {"", "1", "a<b & c>\"d'", "\xC3\xA4\xE2\x82\xAC"};

void Require(bool condition, const char* what, const std::string& detail = {}) {
    if (!condition) {
        std::fprintf(stderr, "check failed: %s %s\n", what, detail.c_str());
        std::abort();
    }
}

void RequireConsistent(const CXmlDocument& doc, const char* when) {
    Require(CXmlDocumentProbe::CheckIndex(doc).empty(), when, CXmlDocumentProbe::CheckIndex(doc));
}

// Reads every child of the current element and steps into a copy of the
// document for each, until the budget is spent.
void Walk(CXmlDocument doc, int& budget) {
    while (budget > 0 && doc.FindChildElement()) {
        --budget;
        (void)doc.GetChildData();
        for (const auto name : kNames) {
            (void)doc.GetChildAttribute(name);
        }
        CXmlDocument inner = doc;
        if (inner.IntoElement()) {
            Walk(inner, budget);
        }
    }
}

std::uint32_t Hash(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

// A few navigation and write steps picked by the input's hash.
void Edit(CXmlDocument& doc, std::uint32_t choices) {
    for (int step = 0; step < 10; ++step, choices = choices * 1103515245u + 12345u) {
        // Finds may use the empty name; writes never do, as it would write an end tag.
        const auto name = kNames[(choices >> 8) % (std::size(kNames) - 1) + 1];
        const auto value = kValues[(choices >> 16) % std::size(kValues)];
        const std::function<bool()> steps[] = {
            [&] { return doc.FindElement(choices & 1 ? name : std::string_view()); },
            [&] { return doc.FindChildElement(); },
            [&] { return doc.IntoElement(); },
            [&] { return doc.AddElement(name, value); },
            [&] { return doc.AddChildElement(name, value); },
            [&] { return doc.AddChildElement(name, value); },
            [&] { return doc.SetAttribute(name, value); },
            [&] { return doc.SetChildAttribute(name, value); },
        };
        (void)steps[(choices >> 24) % std::size(steps)]();
        RequireConsistent(doc, "after an edit");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CXmlDocument doc;
    const bool parsed = doc.SetDocument(text);
    Require(parsed == doc.IsWellFormed(), "well-formedness");
    Require(doc.GetDocument() == text, "text kept");
    RequireConsistent(doc, "after parsing");

    int budget = 64;
    if (doc.FindElement()) {
        Walk(doc, budget);
    }
    for (const auto name : kNames) {
        CXmlDocument named = doc;
        (void)named.FindChildElement(name);
        (void)named.FindElement(name);
    }

    CXmlDocument edited = doc;
    Edit(edited, Hash(text));
    if (parsed && CXmlDocumentProbe::WritesReadBackAlike(doc)) {
        // The edited text, parsed afresh, must give the index kept by the edits.
        CXmlDocument reread;
        Require(reread.SetDocument(edited.GetDocument()), "edited text parses", reread.GetError());
        Require(CXmlDocumentProbe::Outline(reread) == CXmlDocumentProbe::Outline(edited),
                "edited index equals a fresh parse");
    }
    return 0;
}
