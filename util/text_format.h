#pragma once
// The one formatter for texts that come from data files (text tables): only "%s", "%d" and "%%" are
// conversions, any other '%' prints as it stands; the values meet the conversions in order (numbers
// are handed in as their decimal text), a conversion without a value prints nothing and surplus
// values are dropped. No entry can make the program read a value it was not given.

#include <string>
#include <vector>

namespace kv {

std::string text_format(const std::string& format, const std::vector<std::string>& values);

}  // namespace kv
