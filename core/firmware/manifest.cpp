#include "core/firmware/manifest.h"

#include "core/files/file_reading.h"
#include "core/image/crc32.h"
#include "core/model/file_names.h"
#include "core/model/listed_names.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace zd {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kVersion = 1;

std::optional<std::uint32_t> crcFrom(const Json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    const auto& text = value.get_ref<const std::string&>();
    if (text.size() != 8) {
        return std::nullopt;
    }
    std::uint32_t crc = 0;
    for (const char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        crc = (crc << 4) | static_cast<std::uint32_t>(digit);
    }
    return crc;
}

// An unsigned JSON integer no larger than `largest`.
std::optional<std::uint64_t> countFrom(const Json& value, std::uint64_t largest) {
    if (!value.is_number_unsigned()) {
        return std::nullopt;
    }
    const auto number = value.get<std::uint64_t>();
    if (number > largest) {
        return std::nullopt;
    }
    return number;
}

ManifestReadResult formatError(std::string reason) {
    ManifestReadResult result;
    result.status = ManifestReadResult::Status::FormatError;
    result.reason = std::move(reason);
    return result;
}

constexpr std::uint64_t kLargest32 = 0xFFFFFFFFu;

// A reserve as the manifest records it: a number of bytes, or a percentage
// as text.
std::optional<Reserve> reserveFrom(const Json& value) {
    if (value.is_string()) {
        const std::optional<Reserve> reserve = parseReserve(value.get_ref<const std::string&>());
        return reserve && reserve->percent ? reserve : std::nullopt;
    }
    const std::optional<std::uint64_t> bytes = countFrom(value, kLargest32);
    return bytes ? std::optional(Reserve{static_cast<std::uint32_t>(*bytes)}) : std::nullopt;
}

} // namespace

std::string manifestText(const Manifest& manifest) {
    Json files = Json::array();
    std::uint64_t number = 0;
    for (const ManifestRow& row : manifest.rows) {
        Json entry = {{"no", ++number},
                      {"path", row.path},
                      {"file", std::string(fileNameOf(row.path))},
                      {"size", row.size},
                      {"address", row.address}};
        if (manifest.slots) {
            entry["slot_end"] = row.slotEnd;
        }
        entry["crc32"] = crc32Text(row.crc);
        // A row read from a manifest without a path is written back without
        // one: an empty path is no name the reader takes.
        if (row.path.empty()) {
            entry.erase("path");
            entry.erase("file");
        }
        files.push_back(std::move(entry));
    }
    Json document = {{"version", kVersion}, {"front_offset", manifest.frontOffset}};
    if (manifest.align != 1 || manifest.fill != 0xFF) {
        document["align"] = manifest.align;
        document["fill"] = manifest.fill;
    }
    if (manifest.slots) {
        const Reserve& reserve = manifest.reserve;
        document["reserve"] = reserve.percent ? Json(reserveText(reserve)) : Json(reserve.amount);
    }
    document["info_table"] = manifest.infoTable;
    document["image_size"] = manifest.imageSize;
    document["image_crc32"] = crc32Text(manifest.imageCrc);
    document["files"] = std::move(files);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

ManifestReadResult parseManifest(std::string_view text) {
    const Json document = Json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded()) {
        return formatError("not valid JSON");
    }
    if (!document.is_object()) {
        return formatError("not a JSON object");
    }
    auto field = [&](const char* name) -> const Json* {
        const auto found = document.find(name);
        return found == document.end() ? nullptr : &*found;
    };
    const Json* version = field("version");
    if (!version || !version->is_number_integer() || version->get<std::int64_t>() != kVersion) {
        return formatError("version is not 1");
    }
    ManifestReadResult result;
    Manifest& manifest = result.manifest;
    const Json* front = field("front_offset");
    const auto frontOffset = front ? countFrom(*front, kLargest32) : std::nullopt;
    if (!frontOffset) {
        return formatError("front_offset is not an unsigned 32-bit number");
    }
    manifest.frontOffset = static_cast<std::uint32_t>(*frontOffset);
    const Json* table = field("info_table");
    if (!table || !table->is_boolean()) {
        return formatError("info_table is not true or false");
    }
    manifest.infoTable = table->get<bool>();
    const Json* size = field("image_size");
    const auto imageSize = size ? countFrom(*size, kLargest32 + 1) : std::nullopt;
    if (!imageSize) {
        return formatError("image_size is not a number from 0 to 4 GiB");
    }
    manifest.imageSize = *imageSize;
    const Json* imageCrc = field("image_crc32");
    const auto crc = imageCrc ? crcFrom(*imageCrc) : std::nullopt;
    if (!crc) {
        return formatError("image_crc32 is not 8 hex digits");
    }
    manifest.imageCrc = *crc;
    if (const Json* reserve = field("reserve")) {
        const std::optional<Reserve> read = reserveFrom(*reserve);
        if (!read) {
            return formatError("reserve is neither a number of bytes nor a percentage (\"25%\")");
        }
        manifest.slots = true;
        manifest.reserve = *read;
    }
    const Json* files = field("files");
    if (!files || !files->is_array()) {
        return formatError("files is not a list");
    }
    for (std::size_t i = 0; i < files->size(); ++i) {
        const Json& row = (*files)[i];
        const std::string where = "files[" + std::to_string(i) + "]";
        if (!row.is_object()) {
            return formatError(where + " is not an object");
        }
        ManifestRow read;
        const auto path = row.find("path");
        if (path != row.end()) {
            if (!path->is_string()) {
                return formatError(where + ".path is not text");
            }
            read.path = path->get<std::string>();
            if (!listFileCanCarry(read.path)) {
                return formatError(where + ".path is empty or holds a line break or a NUL");
            }
        }
        const auto rowSize =
            row.contains("size") ? countFrom(row["size"], kLargest32) : std::nullopt;
        const auto address =
            row.contains("address") ? countFrom(row["address"], kLargest32) : std::nullopt;
        const auto rowCrc = row.contains("crc32") ? crcFrom(row["crc32"]) : std::nullopt;
        if (!rowSize || !address) {
            return formatError(where + " has no unsigned 32-bit size and address");
        }
        if (!rowCrc) {
            return formatError(where + ".crc32 is not 8 hex digits");
        }
        // The merge writes every row inside the image it describes.
        if (*address + *rowSize > *imageSize) {
            return formatError(where + " ends at " + std::to_string(*address + *rowSize) +
                               ", past the image_size " + std::to_string(*imageSize));
        }
        const auto slotEnd =
            row.contains("slot_end") ? countFrom(row["slot_end"], kLargest32 + 1) : std::nullopt;
        if (row.contains("slot_end") != manifest.slots || (manifest.slots && !slotEnd)) {
            return formatError(where + (manifest.slots ? " has no slot_end from 0 to 4 GiB"
                                                       : ".slot_end is there without a reserve"));
        }
        read.slotEnd = slotEnd.value_or(0);
        read.size = static_cast<std::uint32_t>(*rowSize);
        read.address = static_cast<std::uint32_t>(*address);
        read.crc = *rowCrc;
        manifest.rows.push_back(std::move(read));
    }
    return result;
}

ManifestReadResult readManifest(const std::string& path) {
    const auto cannotRead = [](std::error_code error) {
        ManifestReadResult result;
        result.status = ManifestReadResult::Status::CannotOpen;
        result.error = error;
        return result;
    };
    std::string text;
    if (auto error = files::readWholeFile(path, kLargestManifest, text)) {
        return cannotRead(error);
    }
    return parseManifest(text);
}

bool isManifestText(std::string_view head) {
    const std::size_t brace = head.find_first_not_of(" \t\r\n");
    return brace != std::string_view::npos && head[brace] == '{' &&
           head.find("\"front_offset\":") != std::string_view::npos &&
           head.find("\"image_crc32\":") != std::string_view::npos;
}

} // namespace zd
