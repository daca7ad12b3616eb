#include "core/model/reserve.h"

#include "core/model/number_parse.h"

#include <charconv>

namespace zd {

std::optional<Reserve> parseReserve(std::string_view text) {
    if (text.ends_with('%')) {
        text.remove_suffix(1);
        std::uint32_t percent = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), percent);
        if (error != std::errc{} || end != text.data() + text.size() ||
            percent > kLargestReservePercent) {
            return std::nullopt;
        }
        return Reserve{percent, true};
    }
    const std::optional<std::uint64_t> bytes = parseByteCount(text);
    if (!bytes || *bytes > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return Reserve{static_cast<std::uint32_t>(*bytes), false};
}

std::string reserveText(const Reserve& reserve) {
    return std::to_string(reserve.amount) + (reserve.percent ? "%" : "");
}

} // namespace zd
