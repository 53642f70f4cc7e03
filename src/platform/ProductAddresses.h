// Where the product lives outside the program: its web site, its support
// mail and its donation page.
#pragma once

namespace velvaro {

inline constexpr char kHomepageUrl[] = "https://velvaro.org/";
inline constexpr char kSupportMail[] = "support@velvaro.org";
inline constexpr char kSupportMailUrl[] = "mailto:support@velvaro.org";
inline constexpr char kDonationUrl[] = "https://velvaro.org/donate";

}  // namespace velvaro
