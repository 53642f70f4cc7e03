// The five predefined entities: decoding for reads, encoding for writes.
#pragma once

#include <string>
#include <string_view>

namespace velvaro::xml {

// Turns &lt; &amp; &gt; &apos; &quot; into their characters when the whole
// entity lies inside `range`. Any other ampersand, numeric references
// included, stays as it is.
std::string DecodeEntities(std::string_view range);

// Character data: escapes < & >.
std::string EncodeElementValue(std::string_view value);
// Attribute values: escapes < & > ' ", so either quote can enclose them.
std::string EncodeAttributeValue(std::string_view value);

}  // namespace velvaro::xml
