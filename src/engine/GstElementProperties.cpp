#include "engine/ElementProperties.h"

#include "GstGraphParts.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace velvaro::engine {

struct ElementProperties::Element {
    GstElementHandle element;
};

namespace {

bool IsBookkeeping(const char* name) {
    return std::strcmp(name, "name") == 0 || std::strcmp(name, "parent") == 0;
}

// An overriding property carries no range; the one it overrides does.
GParamSpec* RangeOf(GParamSpec* param) {
    GParamSpec* target = g_param_spec_get_redirect_target(param);
    return target ? target : param;
}

// Properties marked as changeable only up to some state refuse changes
// beyond it.
bool MutableIn(GParamFlags flags, GstState state) {
    if (flags & GST_PARAM_MUTABLE_PLAYING) {
        return true;
    }
    if (flags & GST_PARAM_MUTABLE_PAUSED) {
        return state <= GST_STATE_PAUSED;
    }
    if (flags & GST_PARAM_MUTABLE_READY) {
        return state <= GST_STATE_READY;
    }
    return true;
}

// Integers of every width, seen through one signed and one unsigned range.
bool FillIntegerRange(PropertyInfo& info, GParamSpec* param) {
    const auto set = [&info](PropertyKind kind, auto minimum, auto maximum) {
        info.kind = kind;
        if (kind == PropertyKind::Integer) {
            info.integerMinimum = minimum;
            info.integerMaximum = maximum;
        } else {
            info.unsignedMinimum = static_cast<std::uint64_t>(minimum);
            info.unsignedMaximum = static_cast<std::uint64_t>(maximum);
        }
        return true;
    };
    if (G_IS_PARAM_SPEC_CHAR(param)) {
        return set(PropertyKind::Integer, G_PARAM_SPEC_CHAR(param)->minimum,
                   G_PARAM_SPEC_CHAR(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_INT(param)) {
        return set(PropertyKind::Integer, G_PARAM_SPEC_INT(param)->minimum,
                   G_PARAM_SPEC_INT(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_LONG(param)) {
        return set(PropertyKind::Integer, G_PARAM_SPEC_LONG(param)->minimum,
                   G_PARAM_SPEC_LONG(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_INT64(param)) {
        return set(PropertyKind::Integer, G_PARAM_SPEC_INT64(param)->minimum,
                   G_PARAM_SPEC_INT64(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_UCHAR(param)) {
        return set(PropertyKind::Unsigned, G_PARAM_SPEC_UCHAR(param)->minimum,
                   G_PARAM_SPEC_UCHAR(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_UINT(param)) {
        return set(PropertyKind::Unsigned, G_PARAM_SPEC_UINT(param)->minimum,
                   G_PARAM_SPEC_UINT(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_ULONG(param)) {
        return set(PropertyKind::Unsigned, G_PARAM_SPEC_ULONG(param)->minimum,
                   G_PARAM_SPEC_ULONG(param)->maximum);
    }
    if (G_IS_PARAM_SPEC_UINT64(param)) {
        return set(PropertyKind::Unsigned, G_PARAM_SPEC_UINT64(param)->minimum,
                   G_PARAM_SPEC_UINT64(param)->maximum);
    }
    return false;
}

void FillKind(PropertyInfo& info, GParamSpec* param) {
    const GType type = G_PARAM_SPEC_VALUE_TYPE(param);
    switch (G_TYPE_FUNDAMENTAL(type)) {
        case G_TYPE_BOOLEAN:
            info.kind = PropertyKind::Boolean;
            break;
        case G_TYPE_CHAR:
        case G_TYPE_UCHAR:
        case G_TYPE_INT:
        case G_TYPE_UINT:
        case G_TYPE_LONG:
        case G_TYPE_ULONG:
        case G_TYPE_INT64:
        case G_TYPE_UINT64:
            FillIntegerRange(info, param);
            break;
        case G_TYPE_FLOAT:
        case G_TYPE_DOUBLE:
            info.kind = PropertyKind::Real;
            info.realMinimum = -std::numeric_limits<double>::max();
            info.realMaximum = std::numeric_limits<double>::max();
            if (G_IS_PARAM_SPEC_FLOAT(param)) {
                info.realMinimum = G_PARAM_SPEC_FLOAT(param)->minimum;
                info.realMaximum = G_PARAM_SPEC_FLOAT(param)->maximum;
            } else if (G_IS_PARAM_SPEC_DOUBLE(param)) {
                info.realMinimum = G_PARAM_SPEC_DOUBLE(param)->minimum;
                info.realMaximum = G_PARAM_SPEC_DOUBLE(param)->maximum;
            }
            break;
        case G_TYPE_STRING:
            info.kind = PropertyKind::Text;
            break;
        case G_TYPE_ENUM: {
            const GEnumClass* values = G_PARAM_SPEC_ENUM(param)->enum_class;
            info.kind = PropertyKind::Choice;
            for (guint i = 0; i < values->n_values; ++i) {
                info.choices.push_back({values->values[i].value_nick, values->values[i].value_name,
                                        values->values[i].value});
            }
            break;
        }
        case G_TYPE_FLAGS: {
            // Only single bits: combinations are what the bits add up to.
            const GFlagsClass* values = G_PARAM_SPEC_FLAGS(param)->flags_class;
            info.kind = PropertyKind::Flags;
            for (guint i = 0; i < values->n_values; ++i) {
                const guint bit = values->values[i].value;
                if (bit != 0 && (bit & (bit - 1)) == 0) {
                    info.choices.push_back(
                        {values->values[i].value_nick, values->values[i].value_name, bit});
                }
            }
            break;
        }
        default:
            // Caps and structures read back from their text; other boxed
            // values and objects are only shown.
            info.kind = type == GST_TYPE_CAPS || type == GST_TYPE_STRUCTURE
                            ? PropertyKind::Serialized
                            : PropertyKind::Description;
            break;
    }
}

PropertyInfo InfoOf(GParamSpec* param, GstState state) {
    PropertyInfo info;
    info.name = g_param_spec_get_name(param);
    info.nick = g_param_spec_get_nick(param);
    const char* blurb = g_param_spec_get_blurb(param);
    info.blurb = blurb ? blurb : "";
    FillKind(info, RangeOf(param));
    info.writable = (param->flags & G_PARAM_WRITABLE) && !(param->flags & G_PARAM_CONSTRUCT_ONLY) &&
                    MutableIn(param->flags, state) && info.kind != PropertyKind::Description;
    return info;
}

GstState StateOf(GstElement* element) {
    GST_OBJECT_LOCK(element);
    const GstState state = GST_STATE(element);
    GST_OBJECT_UNLOCK(element);
    return state;
}

std::int64_t SignedOf(const GValue* value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_CHAR:
            return g_value_get_schar(value);
        case G_TYPE_INT:
            return g_value_get_int(value);
        case G_TYPE_LONG:
            return g_value_get_long(value);
        default:
            return g_value_get_int64(value);
    }
}

std::uint64_t UnsignedOf(const GValue* value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_UCHAR:
            return g_value_get_uchar(value);
        case G_TYPE_UINT:
            return g_value_get_uint(value);
        case G_TYPE_ULONG:
            return g_value_get_ulong(value);
        default:
            return g_value_get_uint64(value);
    }
}

// The numbers were clamped to the property's range first, so they fit.
void SetSigned(GValue* value, std::int64_t number) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_CHAR:
            g_value_set_schar(value, static_cast<gint8>(number));
            break;
        case G_TYPE_INT:
            g_value_set_int(value, static_cast<gint>(number));
            break;
        case G_TYPE_LONG:
            g_value_set_long(value, static_cast<glong>(number));
            break;
        default:
            g_value_set_int64(value, number);
    }
}

void SetUnsigned(GValue* value, std::uint64_t number) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_UCHAR:
            g_value_set_uchar(value, static_cast<guchar>(number));
            break;
        case G_TYPE_UINT:
            g_value_set_uint(value, static_cast<guint>(number));
            break;
        case G_TYPE_ULONG:
            g_value_set_ulong(value, static_cast<gulong>(number));
            break;
        default:
            g_value_set_uint64(value, number);
    }
}

std::string Describe(const GValue* value) {
    if ((G_VALUE_HOLDS_BOXED(value) && !g_value_get_boxed(value)) ||
        (G_VALUE_HOLDS_OBJECT(value) && !g_value_get_object(value))) {
        return {};
    }
    // Caps and structures as they are written, not quoted as a nested value.
    GCharHandle text(G_VALUE_HOLDS(value, GST_TYPE_CAPS)
                         ? gst_caps_to_string(gst_value_get_caps(value))
                     : G_VALUE_HOLDS(value, GST_TYPE_STRUCTURE)
                         ? gst_structure_to_string(gst_value_get_structure(value))
                         : gst_value_serialize(value));
    if (!text) {
        text.reset(g_strdup_value_contents(value));
    }
    return text ? std::string(text.get()) : std::string();
}

PropertyValue ValueOf(const PropertyInfo& info, const GValue* value) {
    switch (info.kind) {
        case PropertyKind::Boolean:
            return g_value_get_boolean(value) != FALSE;
        case PropertyKind::Integer:
            return SignedOf(value);
        case PropertyKind::Unsigned:
            return UnsignedOf(value);
        case PropertyKind::Real:
            return G_VALUE_HOLDS_FLOAT(value) ? static_cast<double>(g_value_get_float(value))
                                              : g_value_get_double(value);
        case PropertyKind::Text: {
            const char* text = g_value_get_string(value);
            return std::string(text ? text : "");
        }
        case PropertyKind::Choice:
            return static_cast<std::int64_t>(g_value_get_enum(value));
        case PropertyKind::Flags:
            return static_cast<std::uint64_t>(g_value_get_flags(value));
        case PropertyKind::Serialized:
        case PropertyKind::Description:
            break;
    }
    return Describe(value);
}

// Fills `value` from `wanted`, clamped into the property's range.
bool Fill(const PropertyInfo& info, const PropertyValue& wanted, GValue* value) {
    switch (info.kind) {
        case PropertyKind::Boolean:
            if (const bool* on = std::get_if<bool>(&wanted)) {
                g_value_set_boolean(value, *on);
                return true;
            }
            return false;
        case PropertyKind::Integer:
            if (const auto* number = std::get_if<std::int64_t>(&wanted)) {
                SetSigned(value, std::clamp(*number, info.integerMinimum, info.integerMaximum));
                return true;
            }
            return false;
        case PropertyKind::Unsigned:
            if (const auto* number = std::get_if<std::uint64_t>(&wanted)) {
                SetUnsigned(value, std::clamp(*number, info.unsignedMinimum, info.unsignedMaximum));
                return true;
            }
            return false;
        case PropertyKind::Real:
            if (const auto* number = std::get_if<double>(&wanted)) {
                const double clamped = std::clamp(*number, info.realMinimum, info.realMaximum);
                if (G_VALUE_HOLDS_FLOAT(value)) {
                    g_value_set_float(value, static_cast<float>(clamped));
                } else {
                    g_value_set_double(value, clamped);
                }
                return true;
            }
            return false;
        case PropertyKind::Text:
            if (const auto* text = std::get_if<std::string>(&wanted)) {
                g_value_set_string(value, text->c_str());
                return true;
            }
            return false;
        case PropertyKind::Choice:
            if (const auto* number = std::get_if<std::int64_t>(&wanted)) {
                const auto known = std::find_if(
                    info.choices.begin(), info.choices.end(),
                    [number](const PropertyChoice& choice) { return choice.value == *number; });
                if (known != info.choices.end()) {
                    g_value_set_enum(value, static_cast<gint>(*number));
                    return true;
                }
            }
            return false;
        case PropertyKind::Flags:
            if (const auto* bits = std::get_if<std::uint64_t>(&wanted)) {
                // Bits the flags do not have are dropped when the value is validated.
                g_value_set_flags(value, static_cast<guint>(*bits));
                return true;
            }
            return false;
        case PropertyKind::Serialized:
            if (const auto* text = std::get_if<std::string>(&wanted)) {
                if (text->find_first_not_of(" \t") == std::string::npos) {
                    return G_VALUE_TYPE(value) == GST_TYPE_CAPS;  // no caps: a null value
                }
                return gst_value_deserialize(value, text->c_str()) != FALSE;
            }
            return false;
        case PropertyKind::Description:
            break;
    }
    return false;
}

}  // namespace

std::shared_ptr<ElementProperties> PropertiesOfElement(GstElement* element) {
    if (!element) {
        return nullptr;
    }
    auto owned = std::make_unique<ElementProperties::Element>();
    owned->element.reset(GST_ELEMENT(gst_object_ref(element)));
    return std::make_shared<ElementProperties>(std::move(owned));
}

std::shared_ptr<ElementProperties> ElementProperties::OfNewElement(const std::string& factory) {
    EnsureMediaFramework();
    GstElementHandle element = MakeOwnedElement(factory.c_str(), nullptr);
    return PropertiesOfElement(element.get());
}

ElementProperties::ElementProperties(std::unique_ptr<Element> element)
    : element_(std::move(element)) {}

ElementProperties::~ElementProperties() = default;

std::vector<PropertyInfo> ElementProperties::List() const {
    GstElement* element = element_->element.get();
    const GstState state = StateOf(element);
    guint count = 0;
    GParamSpecsHandle params(g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count));
    std::vector<PropertyInfo> properties;
    for (guint i = 0; i < count; ++i) {
        GParamSpec* param = params.get()[i];
        if ((param->flags & G_PARAM_READABLE) && !IsBookkeeping(g_param_spec_get_name(param))) {
            properties.push_back(InfoOf(param, state));
        }
    }
    return properties;
}

bool ElementProperties::HasSettings() const {
    GstElement* element = element_->element.get();
    guint count = 0;
    GParamSpecsHandle params(g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count));
    for (guint i = 0; i < count; ++i) {
        GParamSpec* param = params.get()[i];
        if ((param->flags & G_PARAM_WRITABLE) && !IsBookkeeping(g_param_spec_get_name(param))) {
            return true;
        }
    }
    return false;
}

std::optional<PropertyValue> ElementProperties::Get(const std::string& name) const {
    GObject* object = G_OBJECT(element_->element.get());
    GParamSpec* param = g_object_class_find_property(G_OBJECT_GET_CLASS(object), name.c_str());
    if (!param || !(param->flags & G_PARAM_READABLE) || IsBookkeeping(name.c_str())) {
        return std::nullopt;
    }
    GValueHolder value(G_PARAM_SPEC_VALUE_TYPE(param));
    g_object_get_property(object, name.c_str(), value.get());
    return ValueOf(InfoOf(param, StateOf(element_->element.get())), value.get());
}

bool ElementProperties::Set(const std::string& name, const PropertyValue& wanted) {
    GObject* object = G_OBJECT(element_->element.get());
    GParamSpec* param = g_object_class_find_property(G_OBJECT_GET_CLASS(object), name.c_str());
    if (!param || !(param->flags & G_PARAM_READABLE) || IsBookkeeping(name.c_str())) {
        return false;
    }
    const PropertyInfo info = InfoOf(param, StateOf(element_->element.get()));
    GValueHolder value(G_PARAM_SPEC_VALUE_TYPE(param));
    if (!info.writable || !Fill(info, wanted, value.get())) {
        return false;
    }
    // Setting refuses values the property does not allow; validating makes them fit.
    g_param_value_validate(param, value.get());
    g_object_set_property(object, name.c_str(), value.get());
    return true;
}

std::optional<PropertyValue> ElementProperties::ParseNumber(const PropertyInfo& property,
                                                            std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, last - first + 1);
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-') {
        text.remove_prefix(1);
    }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    // The magnitude, saturated: a number past 64 bits is clamped like any other.
    std::uint64_t magnitude = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), magnitude).ec != std::errc()) {
        magnitude = std::numeric_limits<std::uint64_t>::max();
    }
    if (property.kind == PropertyKind::Unsigned) {
        return std::clamp(negative ? 0 : magnitude, property.unsignedMinimum,
                          property.unsignedMaximum);
    }
    if (property.kind != PropertyKind::Integer) {
        return std::nullopt;
    }
    constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
    std::int64_t number = 0;
    if (negative) {
        number = magnitude > kLargest ? std::numeric_limits<std::int64_t>::min()
                                      : -static_cast<std::int64_t>(magnitude);
    } else {
        number = static_cast<std::int64_t>(std::min(magnitude, kLargest));
    }
    return std::clamp(number, property.integerMinimum, property.integerMaximum);
}

}  // namespace velvaro::engine
