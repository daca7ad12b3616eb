#include "core/firmware/layout_map.h"

#include "core/image/info_table.h"
#include "core/model/file_names.h"
#include "core/model/listed_names.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace zd {
namespace {

// How every picture begins, and how its title does.
constexpr std::string_view kSvgStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
constexpr std::string_view kTitleStart = "<title>Image layout: ";

constexpr const char* kColours[] = {"#8ecae6", "#ffb703", "#90be6d", "#f4a261",
                                    "#b392ac", "#e76f51", "#2a9d8f", "#c9ada7"};
constexpr const char* kFrontColour = "#d0d0d0";
constexpr const char* kTableColour = "#8c8c8c";
constexpr const char* kFreeColour = "#ffffff";
constexpr const char* kGapFill = "url(#gap)";
constexpr const char* kSans = "DejaVu Sans, Verdana, Arial, Helvetica, sans-serif";
constexpr const char* kMono = "DejaVu Sans Mono, Consolas, Courier New, monospace";
constexpr double kLine = 16;       // a line of the key and the table
constexpr double kLabelMin = 14;   // a block shows its label from this height on
constexpr double kCharWidth = 6.7; // an ASCII character at 11 px, roughly
constexpr double kKeyLeft = 390;
constexpr double kNameLeft = 640;

// `text` as XML character data, also fit for an attribute value: names are
// first made printable (no control characters, valid UTF-8), and the two
// characters XML forbids that printable text may hold written out.
std::string xmlText(std::string_view text) {
    std::string out;
    const std::string printable = printableName(text);
    for (std::size_t i = 0; i < printable.size(); ++i) {
        const char c = printable[i];
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (printable.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < printable.size() &&
                   (printable[i + 2] == '\xBE' || printable[i + 2] == '\xBF')) {
            out += printable[i + 2] == '\xBE' ? "\\uFFFE" : "\\uFFFF";
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// How wide `text` shows, in ASCII characters: one outside ASCII counts two.
std::size_t widthOf(std::string_view text) {
    std::size_t width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        width += byte < 0x80 ? 1 : (byte & 0xC0) == 0xC0 ? 2 : 0;
    }
    return width;
}

// `text` cut to `width` (as widthOf counts), never inside a character, its
// last character "…" when cut.
std::string shortened(const std::string& text, std::size_t width) {
    if (widthOf(text) <= width) {
        return text;
    }
    std::size_t used = 0, kept = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        while (at + length < text.size() &&
               (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) {
            ++length;
        }
        used += static_cast<unsigned char>(text[at]) < 0x80 ? 1 : 2;
        if (used + 1 > width) { // room for the "…"
            break;
        }
        at += length;
        kept = at;
    }
    return text.substr(0, kept) + "\xE2\x80\xA6";
}

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string bytes(std::uint64_t count) {
    return decimal(count) + (count == 1 ? " byte" : " bytes");
}

struct Span {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

class Picture {
  public:
    explicit Picture(std::uint64_t end) : end_(std::max<std::uint64_t>(end, 1)) {}

    double y(std::uint64_t offset) const {
        return kMapTop + static_cast<double>(offset) * kMapBarHeight / static_cast<double>(end_);
    }
    // A block of the bar, its label in it where there is room.
    void block(Span span, const std::string& fill, const std::string& label,
               const std::string& title = {}) {
        const double top = y(span.begin), height = y(span.end) - top;
        body_ += "<rect x=\"" + number(kMapBarLeft) + "\" y=\"" + number(top) + "\" width=\"" +
                 number(kMapBarWidth) + "\" height=\"" + number(height) + "\" fill=\"" + fill +
                 "\">";
        if (!title.empty()) {
            body_ += "<title>" + xmlText(title) + "</title>";
        }
        body_ += "</rect>\n";
        if (height >= kLabelMin && !label.empty()) {
            text(kMapBarLeft + 6, top + height / 2 + 4, label, kSans);
        }
    }
    void text(double x, double y, const std::string& escaped, const char* family,
              const char* extra = "") {
        body_ += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-family=\"" + family +
                 "\" font-size=\"11\"" + extra + ">" + escaped + "</text>\n";
    }
    void swatch(double top, const std::string& fill) {
        body_ += "<rect x=\"" + number(kKeyLeft) + "\" y=\"" + number(top - 9) +
                 "\" width=\"10\" height=\"10\" fill=\"" + fill + "\" stroke=\"#555555\"/>\n";
    }
    std::string& body() { return body_; }

  private:
    std::uint64_t end_;
    std::string body_;
};

// The stretches between the front area and the files' end that no file
// holds, and where the last file ends.
std::vector<Span> gapsOf(const EntryList& layout, std::uint64_t& filesEnd) {
    std::vector<Span> files;
    for (const Entry& entry : layout.entries()) {
        if (entry.size != 0) {
            files.push_back({entry.address, std::uint64_t{entry.address} + entry.size});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const Span& a, const Span& b) { return a.begin < b.begin; });
    std::vector<Span> gaps;
    std::uint64_t cursor = layout.frontOffset();
    for (const Span& file : files) {
        if (file.begin > cursor) {
            gaps.push_back({cursor, file.begin});
        }
        cursor = std::max(cursor, file.end);
    }
    filesEnd = cursor;
    return gaps;
}

} // namespace

const char* layoutMapColour(std::size_t row) {
    return kColours[row % std::size(kColours)];
}

std::string layoutMapSvg(const EntryList& layout, const LayoutMapSettings& settings) {
    // Filler: the gaps between files, and after the last file the rest of
    // the image (a slot's reserve, padding); free: the flash after it.
    std::uint64_t filesEnd = 0;
    std::vector<Span> gaps = gapsOf(layout, filesEnd);
    const std::uint64_t imageEnd = std::max(settings.imageSize, filesEnd);
    if (imageEnd > filesEnd) {
        gaps.push_back({filesEnd, imageEnd});
    }
    const std::uint64_t end = std::max(imageEnd, settings.flashSize);
    Picture picture(end);
    const std::uint64_t front = layout.frontOffset();

    // The bar, top to bottom: the front area and its table, the gaps, the
    // files, the free space.
    if (front != 0) {
        picture.block({0, front}, kFrontColour, "front area, " + bytes(front));
    }
    const std::uint64_t table = kInfoRecordBytes * layout.entries().size();
    if (settings.infoTable) {
        picture.block({0, table}, kTableColour, "file info table, " + bytes(table));
    }
    for (const Span& gap : gaps) {
        picture.block(gap, kGapFill, "");
    }
    const std::size_t labelWidth = static_cast<std::size_t>((kMapBarWidth - 12) / kCharWidth);
    for (std::size_t row = 0; row < layout.entries().size(); ++row) {
        const Entry& entry = layout.entries()[row];
        if (entry.size == 0) {
            continue;
        }
        const std::string where = ", " + hex(entry.address) + ", " + bytes(entry.size);
        const std::string name =
            shortened(printableName(fileNameOf(entry.path)),
                      labelWidth > where.size() + 4 ? labelWidth - where.size() : 4);
        picture.block({entry.address, std::uint64_t{entry.address} + entry.size},
                      layoutMapColour(row), xmlText(name) + where, entry.path);
    }
    if (end > imageEnd) {
        picture.block({imageEnd, end}, kFreeColour, "free, " + bytes(end - imageEnd));
    }
    std::string& body = picture.body();
    body += "<rect x=\"" + number(kMapBarLeft) + "\" y=\"" + number(kMapTop) + "\" width=\"" +
            number(kMapBarWidth) + "\" height=\"" + number(kMapBarHeight) +
            "\" fill=\"none\" stroke=\"#555555\"/>\n";
    for (int quarter = 0; quarter <= 4; ++quarter) {
        const std::uint64_t offset = end / 4 * quarter + (quarter == 4 ? end % 4 : 0);
        const double at = picture.y(offset);
        body += "<line x1=\"" + number(kMapBarLeft - 5) + "\" y1=\"" + number(at) + "\" x2=\"" +
                number(kMapBarLeft) + "\" y2=\"" + number(at) + "\" stroke=\"#555555\"/>\n";
        picture.text(kMapBarLeft - 8, at + 4, hex(offset), kMono, " text-anchor=\"end\"");
    }

    // The key, then the table of every file.
    double line = kMapTop + 10;
    const auto keyLine = [&](const std::string& fill, const std::string& what) {
        picture.swatch(line, fill);
        picture.text(kKeyLeft + 16, line, what, kSans);
        line += kLine;
    };
    if (front != 0) {
        keyLine(kFrontColour, "front area, " + bytes(front));
    }
    if (settings.infoTable) {
        keyLine(kTableColour, "file info table, " + bytes(table));
    }
    if (!gaps.empty()) {
        keyLine(kGapFill, "filler: gaps between files, reserve, padding");
    }
    if (end > imageEnd) {
        keyLine(kFreeColour, "free, " + bytes(end - imageEnd));
    }
    line += kLine / 2;
    const auto columns = [&](const std::string& no, const std::string& address,
                             const std::string& size, const std::string& name, const char* extra) {
        picture.text(kKeyLeft + 48, line, no, kMono, " text-anchor=\"end\"");
        picture.text(kKeyLeft + 60, line, address, kMono, extra);
        picture.text(kNameLeft - 12, line, size, kMono, " text-anchor=\"end\"");
        picture.text(kNameLeft, line, name, kSans, extra);
    };
    columns("No.", "Address", "Size", "File", " font-weight=\"bold\"");
    line += kLine;
    std::size_t widest = 0;
    for (std::size_t row = 0; row < layout.entries().size(); ++row) {
        const Entry& entry = layout.entries()[row];
        const std::string name = printableName(fileNameOf(entry.path));
        widest = std::max(widest, widthOf(name));
        picture.swatch(line, entry.size ? layoutMapColour(row) : kFreeColour);
        columns(std::to_string(row + 1), hex(entry.address), decimal(entry.size), xmlText(name),
                "");
        line += kLine;
    }

    const double width = std::max(900.0, kNameLeft + static_cast<double>(widest) * kCharWidth + 20);
    const double height = std::max(kMapTop + kMapBarHeight + 30, line + 10);
    const std::string title = std::to_string(layout.entries().size()) +
                              (layout.entries().size() == 1 ? " file, " : " files, ") +
                              bytes(settings.imageSize);
    std::string subtitle = settings.flashSize ? "in a flash of " + bytes(settings.flashSize) : "";
    if (settings.base != 0) {
        subtitle += std::string(subtitle.empty() ? "" : "; ") + "offsets in the image, which " +
                    "starts at " + hex(settings.base) + " in the flash";
    }
    std::string svg = std::string(kSvgStart) + number(width) + "\" height=\"" + number(height) +
                      "\" viewBox=\"0 0 " + number(width) + " " + number(height) + "\">\n";
    svg += std::string(kTitleStart) + title + "</title>\n";
    svg += "<defs><pattern id=\"gap\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
           "patternTransform=\"rotate(45)\"><rect width=\"8\" height=\"8\" fill=\"#eeeeee\"/>"
           "<rect width=\"3\" height=\"8\" fill=\"#b4b4b4\"/></pattern></defs>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"20\" y=\"28\" font-family=\"" + std::string(kSans) +
           "\" font-size=\"15\" font-weight=\"bold\">Image layout: " + title + "</text>\n";
    svg += "<text x=\"20\" y=\"46\" font-family=\"" + std::string(kSans) + "\" font-size=\"12\">" +
           subtitle + "</text>\n";
    svg += body;
    svg += "</svg>\n";
    return svg;
}

bool isLayoutMapSvg(std::string_view head) {
    const std::size_t svgEnd = head.find(">\n", kSvgStart.size());
    return head.starts_with(kSvgStart) && svgEnd != std::string_view::npos &&
           head.substr(svgEnd + 2).starts_with(kTitleStart);
}

} // namespace zd
