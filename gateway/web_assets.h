// The web page's files, built into the program (gateway/web/, embedded at build time).
#pragma once

#include <string_view>
#include <vector>

namespace kestrel::gateway {

struct WebAsset {
    std::string_view path;  // "/index.html"
    std::string_view content_type;
    std::string_view body;
};

const std::vector<WebAsset>& web_assets();

}  // namespace kestrel::gateway
