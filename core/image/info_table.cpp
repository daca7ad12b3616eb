#include "core/image/info_table.h"

namespace zd {
namespace {

void putLittleEndian(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFFu);
    }
}

std::uint32_t littleEndian(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

} // namespace

bool infoTableFits(std::uint32_t frontOffset, std::uint64_t rowCount) {
    return rowCount >= 1 && std::uint64_t{frontOffset} > kInfoRecordBytes * rowCount;
}

std::string infoTableBytes(const EntryList& list) {
    std::string table;
    for (const Entry& entry : list.entries()) {
        putLittleEndian(table, entry.address);
        putLittleEndian(table, entry.size);
    }
    return table;
}

InfoRecord readInfoRecord(const unsigned char* bytes) {
    return {littleEndian(bytes), littleEndian(bytes + 4)};
}

} // namespace zd
