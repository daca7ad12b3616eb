#include "core/image/checksum_copy.h"

#include "core/files/output_set.h"
#include "core/image/crc32.h"

#include <algorithm>

namespace zd {
namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;

void sumBytes(void* context, const unsigned char* bytes, std::size_t size) {
    static_cast<Crc32*>(context)->update(bytes, size);
}

// Sums the input's bytes in place up to a given offset, in pieces of at most
// kPiece so that a map never spans more than that.
class InPlaceSum {
  public:
    explicit InPlaceSum(const files::Input& input) : input_(input) {}

    std::error_code upTo(std::uint64_t end) {
        while (!error_ && summed_ < end) {
            const auto piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, end - summed_));
            error_ = input_.visitInPlace(summed_, piece, sumBytes, &sum_);
            summed_ += piece;
        }
        return error_;
    }
    std::error_code error() const { return error_; }
    std::uint32_t value() const { return sum_.value(); }

  private:
    const files::Input& input_;
    Crc32 sum_;
    std::uint64_t summed_ = 0;
    std::error_code error_;
};

} // namespace

std::error_code appendSummed(files::Input& input, files::OutputFile& out, std::uint64_t size,
                             files::CopyResult& result, const files::Output::ChunkFn& onChunk,
                             std::uint32_t& crc) {
    InPlaceSum sum(input);
    // The first piece, summed before the copy, tells whether the input can
    // be mapped at all.
    if (sum.upTo(std::min<std::uint64_t>(size, kPiece)) == std::errc::not_supported) {
        Crc32 read;
        const std::error_code error = out.appendByReading(
            input, size, result, onChunk,
            [&](const unsigned char* bytes, std::size_t count) { read.update(bytes, count); });
        crc = read.value();
        return error;
    }
    const auto onCopied = [&](std::uint64_t soFar) {
        return !sum.upTo(soFar) && (!onChunk || onChunk(soFar));
    };
    std::error_code error = out.appendFrom(input, size, result, onCopied);
    if (!error) {
        sum.upTo(result.copied);
    }
    if (sum.error()) {
        // The pages faulted: the input was cut short meanwhile or could not
        // be read. The copy went no further, so a stop was the sum's own.
        error = {};
        if (!result.readError) {
            result.readError = sum.error();
        }
    }
    crc = sum.value();
    return error;
}

} // namespace zd
