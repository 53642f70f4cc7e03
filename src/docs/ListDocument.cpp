#include "docs/ListDocument.h"

namespace velvaro::docs {

CXmlDocument StartListDocument(std::string_view list, std::string_view build) {
    CXmlDocument document;
    document.AddElement("velvaro");
    document.SetAttribute("build", build);
    document.AddChildElement(list);
    document.IntoElement();
    return document;
}

bool EnterListDocument(CXmlDocument& document, std::string_view text, std::string_view list) {
    document.SetDocument(text);
    if (!document.FindElement("velvaro") || !document.FindChildElement(list)) {
        return false;
    }
    document.IntoElement();
    return true;
}

}  // namespace velvaro::docs
