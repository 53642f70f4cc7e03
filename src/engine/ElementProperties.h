// The settings of one filter as a list of typed properties, for property
// pages to show and change. Widget-free and GStreamer-free: the pages see
// names, kinds, values and ranges only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velvaro::engine {

enum class PropertyKind {
    Boolean,
    Integer,      // signed, with a range
    Unsigned,     // with a range
    Real,         // with a range
    Text,         // a string
    Choice,       // one of `choices`
    Flags,        // any set of the single-bit `choices`
    Serialized,   // a structured value (caps, structure) edited as its text
    Description,  // any other value, shown as text and never set
};

// Boolean: bool; Integer and Choice: int64_t; Unsigned and Flags: uint64_t;
// Real: double; Text, Serialized and Description: string.
using PropertyValue = std::variant<bool, std::int64_t, std::uint64_t, double, std::string>;

struct PropertyChoice {
    std::string nick;  // short name, as a list shows it
    std::string name;  // long name
    std::int64_t value = 0;
};

struct PropertyInfo {
    std::string name;
    std::string nick;
    std::string blurb;
    PropertyKind kind = PropertyKind::Description;
    // Settable now: writable, not fixed at construction, and changeable in
    // the filter's present state.
    bool writable = false;
    std::int64_t integerMinimum = 0, integerMaximum = 0;
    std::uint64_t unsignedMinimum = 0, unsignedMaximum = 0;
    double realMinimum = 0, realMaximum = 0;
    std::vector<PropertyChoice> choices;
};

class ElementProperties {
public:
    // The properties of a new element of the named GStreamer factory, for a
    // filter not in any graph; null when no installed plugin provides it.
    static std::shared_ptr<ElementProperties> OfNewElement(const std::string& factory);

    // The GStreamer side, known inside the engine only. It holds its own
    // reference on the element, which lives while this does.
    struct Element;
    explicit ElementProperties(std::unique_ptr<Element> element);
    ~ElementProperties();
    ElementProperties(const ElementProperties&) = delete;
    ElementProperties& operator=(const ElementProperties&) = delete;

    // The readable properties in the element's order, without the object's
    // own bookkeeping ("name", "parent").
    std::vector<PropertyInfo> List() const;
    // Whether the element has settings at all, even if none of them can
    // change in its present state.
    bool HasSettings() const;
    std::optional<PropertyValue> Get(const std::string& name) const;
    // Sets a writable property, clamped into its range. False when there is
    // no such writable property, the value is of another kind, or its text
    // does not read as one.
    bool Set(const std::string& name, const PropertyValue& value);

    // A whole number as typed for an Integer or Unsigned property, clamped
    // into its range; numbers too long for 64 bits clamp too. Nothing when
    // the text is no number or the property no whole number.
    static std::optional<PropertyValue> ParseNumber(const PropertyInfo& property,
                                                    std::string_view text);

private:
    std::unique_ptr<Element> element_;
};

}  // namespace velvaro::engine
